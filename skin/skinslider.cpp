#include "skinslider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

#include "skincolour.h"

namespace tavo {
namespace {

constexpr int kShadeStep = 51;
constexpr int kTickSpace = 4;
constexpr int kChannelMarkX = 45;

QRect Transposed(const QRect& r) { return QRect(r.y(), r.x(), r.height(), r.width()); }

void Line(QPainter& p, const QColor& c, int x1, int y1, int x2, int y2) {
  p.setPen(QPen(c, 1));
  p.drawLine(x1, y1, x2, y2);
}

void Pixel(QPainter& p, const QColor& c, int x, int y) {
  p.setPen(QPen(c, 1));
  p.drawPoint(x, y);
}

}  // namespace

SkinSlider::SkinSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  selectionColour_ = palette().color(QPalette::Highlight);
  channelColour_ = palette().color(QPalette::Base);
  thumbColour_ = palette().color(QPalette::Button);
  UpdateShades();
}

SkinSlider::Shades SkinSlider::ComputeShades(const QColor& thumb) const {
  const QPalette& pal = palette();
  Shades s;
  s.thumb = thumb;
  s.light1 = Lighten(thumb, kShadeStep);
  s.light2 = Lighten(s.light1, kShadeStep);
  s.dark1 = Darken(thumb, kShadeStep);
  s.dark2 = Darken(s.dark1, kShadeStep);
  s.shadowDark = Blend(pal.color(QPalette::Dark), pal.color(QPalette::Shadow));
  s.faceShadow = Blend(pal.color(QPalette::Button), pal.color(QPalette::Dark));
  s.highlight = pal.color(QPalette::Light);
  return s;
}

void SkinSlider::UpdateShades() { shades_ = ComputeShades(thumbColour_); }

void SkinSlider::SetThumbColour(const QColor& colour) {
  thumbColour_ = colour;
  UpdateShades();
  repaint();
}

void SkinSlider::SetSelectionColour(const QColor& colour) {
  selectionColour_ = colour;
  UpdateShades();
  repaint();
}

void SkinSlider::SetChannelColour(const QColor& colour) {
  channelColour_ = colour;
  UpdateShades();
}

void SkinSlider::SetSelection(int start, int end) {
  selectionStart_ = start;
  selectionEnd_ = end;
  update();
}

void SkinSlider::ClearSelection() { SetSelection(0, 0); }

void SkinSlider::SetChannelThickness(int pixels) {
  channelThickness_ = std::max(1, pixels);
  update();
}

void SkinSlider::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) UpdateShades();
  QSlider::changeEvent(event);
}

QSize SkinSlider::sizeHint() const {
  const int across = 21 + ((tickPosition() & TicksAbove) ? kTickSpace : 0) +
                     ((tickPosition() & TicksBelow) ? kTickSpace : 0);
  return orientation() == Qt::Horizontal ? QSize(100, across) : QSize(across, 100);
}

int SkinSlider::Length() const { return orientation() == Qt::Horizontal ? width() : height(); }
int SkinSlider::Across() const { return orientation() == Qt::Horizontal ? height() : width(); }

QRect SkinSlider::HorizontalThumb() const {
  const int top = 2 + ((tickPosition() & TicksAbove) ? kTickSpace : 0);
  const int bottom = Across() - 3 - ((tickPosition() & TicksBelow) ? kTickSpace : 0);
  const int tall = std::max(2, bottom - top + 1);
  // Always narrower than tall: that is how the drawing tells a horizontal thumb.
  const int wide = std::max(1, std::min(11, tall - 1));
  const QRect channel = HorizontalChannel();
  const bool upsideDown =
      orientation() == Qt::Horizontal ? invertedAppearance() : !invertedAppearance();
  const int along = QStyle::sliderPositionFromValue(minimum(), maximum(), sliderPosition(),
                                                    std::max(0, channel.width() - 1), upsideDown);
  return QRect(channel.left() + along - wide / 2, top, wide, tall);
}

QRect SkinSlider::HorizontalChannel() const {
  const int top = 2 + ((tickPosition() & TicksAbove) ? kTickSpace : 0);
  const int bottom = Across() - 3 - ((tickPosition() & TicksBelow) ? kTickSpace : 0);
  const int tall = std::max(2, bottom - top + 1);
  const int wide = std::max(1, std::min(11, tall - 1));
  const int margin = wide / 2 + 2;
  const int centre = top + tall / 2;
  return QRect(margin, centre - channelThickness_ / 2, std::max(1, Length() - 2 * margin),
               channelThickness_);
}

QRect SkinSlider::ThumbRect() const {
  return orientation() == Qt::Horizontal ? HorizontalThumb() : Transposed(HorizontalThumb());
}

QRect SkinSlider::ChannelRect() const {
  return orientation() == Qt::Horizontal ? HorizontalChannel() : Transposed(HorizontalChannel());
}

int SkinSlider::ValueAt(int along) const {
  const QRect channel = HorizontalChannel();
  const bool upsideDown =
      orientation() == Qt::Horizontal ? invertedAppearance() : !invertedAppearance();
  return QStyle::sliderValueFromPosition(minimum(), maximum(), along - channel.left(),
                                         std::max(1, channel.width() - 1), upsideDown);
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || maximum() == minimum()) {
    event->ignore();
    return;
  }
  event->accept();
  const QPoint pos = event->position().toPoint();
  const int along = orientation() == Qt::Horizontal ? pos.x() : pos.y();
  const QRect thumb = HorizontalThumb();
  if (ThumbRect().contains(pos)) {
    dragOffset_ = along - (thumb.left() + thumb.width() / 2);
    setSliderDown(true);
    update();
    return;
  }
  // A press on the channel pages towards the pointer, as a trackbar does.
  const int target = ValueAt(along);
  triggerAction(target < sliderPosition() ? SliderPageStepSub : SliderPageStepAdd);
  setRepeatAction(SliderNoAction);
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!isSliderDown()) {
    event->ignore();
    return;
  }
  event->accept();
  const QPoint pos = event->position().toPoint();
  const int along = orientation() == Qt::Horizontal ? pos.x() : pos.y();
  setSliderPosition(ValueAt(along - dragOffset_));
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (!isSliderDown() || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  setSliderDown(false);
  update();
}

void SkinSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);

  if (tickPosition() != NoTicks) {
    p.save();
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &p, this);
    p.restore();
  }

  if (orientation() == Qt::Vertical) p.setTransform(QTransform(0, 1, 1, 0, 0, 0));
  p.save();
  DrawChannel(p);
  p.restore();
  p.save();
  DrawThumb(p);
  p.restore();
}

void SkinSlider::DrawChannel(QPainter& p) const {
  const QRect c = HorizontalChannel();
  const QColor fill = isEnabled() ? channelColour_ : palette().color(QPalette::Button);
  if (c.height() > 3) {
    p.setPen(QPen(shades_.shadowDark, 1));
    p.setBrush(fill);
    p.drawRoundedRect(c.adjusted(0, 0, -1, -1), 1, 1);
  }
  const int markTop = c.top() + 5;
  const int markBottom = c.bottom() - 5;
  Line(p, shades_.faceShadow, c.left(), c.top() + 1, c.right(), c.top() + 1);
  if (markTop <= markBottom) {
    for (int x : {c.left(), c.right(), kChannelMarkX}) {
      if (x >= c.left() && x <= c.right()) Line(p, shades_.faceShadow, x, markTop, x, markBottom);
    }
  }
  if (selectionStart_ < selectionEnd_ && maximum() > minimum()) {
    const bool upsideDown =
        orientation() == Qt::Horizontal ? invertedAppearance() : !invertedAppearance();
    const int span = std::max(0, c.width() - 1);
    auto at = [&](int v) {
      return c.left() + QStyle::sliderPositionFromValue(minimum(), maximum(),
                                                        std::clamp(v, minimum(), maximum()), span,
                                                        upsideDown);
    };
    const int a = std::min(at(selectionStart_), at(selectionEnd_));
    const int b = std::max(at(selectionStart_), at(selectionEnd_));
    p.fillRect(QRect(a, c.top() + 1, b - a + 1, std::max(1, c.height() - 2)), selectionColour_);
  }
}

void SkinSlider::DrawThumb(QPainter& p) const {
  // A pressed thumb is drawn one shade darker, for this drawing only.
  const Shades s = isSliderDown() ? ComputeShades(Darken(thumbColour_, kShadeStep)) : shades_;
  const QRect r = HorizontalThumb();
  const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
  const int w = r.width();
  const int cx = l + w / 2;
  const int d = w / 2;
  const QPen frame(palette().color(QPalette::Shadow), 1);

  p.setPen(frame);
  p.setBrush(s.thumb);
  if (tickPosition() == TicksBothSides) {
    p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 1, 1);
    const QRect in = r.adjusted(1, 1, -1, -1);
    Line(p, s.light1, in.left(), in.top(), in.right() - 1, in.top());
    Line(p, s.light1, in.left(), in.top(), in.left(), in.bottom() - 1);
    Line(p, s.dark1, in.right(), in.top(), in.right(), in.bottom());
    Line(p, s.dark1, in.left(), in.bottom(), in.right(), in.bottom());
    Pixel(p, s.light2, in.left(), in.top());
    Pixel(p, s.thumb, in.right(), in.top());
    Pixel(p, s.thumb, in.left(), in.bottom());
    Pixel(p, s.dark2, in.right(), in.bottom());
  } else if (tickPosition() == TicksAbove) {
    const QPolygon pentagon(
        {QPoint(l, b), QPoint(l, t + d), QPoint(cx, t), QPoint(rt, t + d), QPoint(rt, b)});
    p.drawPolygon(pentagon);
    if (w > 5) {
      Line(p, s.light1, l + 1, t + d, l + 1, b - 1);
      Line(p, s.light2, l + 1, t + d, cx, t + 1);
      Line(p, s.dark1, cx, t + 1, rt - 1, t + d);
      Line(p, s.dark1, rt - 1, t + d, rt - 1, b - 1);
      Line(p, s.dark1, l + 1, b - 1, rt - 1, b - 1);
    }
  } else {
    const QPolygon pentagon(
        {QPoint(l, t), QPoint(rt, t), QPoint(rt, b - d), QPoint(cx, b), QPoint(l, b - d)});
    p.drawPolygon(pentagon);
    Line(p, s.light1, l + 2, t + 1, rt - 1, t + 1);
    Line(p, s.light1, l + 1, t + 2, l + 1, b - d);
    Pixel(p, s.light2, l + 1, t + 1);
    Line(p, s.dark1, rt - 1, t + 1, rt - 1, b - d);
    Line(p, s.dark1, l + 1, b - d, cx, b - 1);
    Line(p, s.dark2, rt - 1, b - d, cx, b - 1);
  }

  if (isEnabled() && w > 5) {
    auto grip = [&](int x) {
      Line(p, s.light1, x, t + 5, x, b - 5);
      Pixel(p, s.light2, x, t + 4);
    };
    grip(l + 1);
    grip(l + 3);
    Line(p, s.dark2, l + 2, t + 5, l + 2, b - 4);
    Line(p, s.dark2, l + 4, t + 5, l + 4, b - 4);
    if (w > 9) {
      grip(l + 5);
      grip(l + 7);
      Line(p, s.dark2, l + 6, t + 5, l + 6, b - 4);
    }
  }
}

}  // namespace tavo
