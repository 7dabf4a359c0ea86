#include "skinbutton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "skinbitmap.h"

namespace tavo {

SkinButton::SkinButton(QWidget* parent) : QPushButton(parent) { Init(); }

SkinButton::SkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent) { Init(); }

void SkinButton::Init() {
  activeBg_ = inactiveBg_ = palette().color(QPalette::Button);
  activeFg_ = inactiveFg_ = palette().color(QPalette::ButtonText);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, false);
}

bool SkinButton::SetBitmaps(const std::string& fileIn, const std::string& fileOut) {
  QImage in, out;
  bool ok = LoadSkinBitmap(fileIn, in);
  if (!fileOut.empty() && !LoadSkinBitmap(fileOut, out)) ok = false;
  SetImages(std::move(in), std::move(out));
  return ok;
}

void SkinButton::SetImages(QImage imageIn, QImage imageOut) {
  imageIn_ = std::move(imageIn);
  imageOut_ = imageOut.isNull() ? imageIn_ : std::move(imageOut);
  imageWidth_ = imageIn_.isNull() ? 0 : imageIn_.width();
  imageHeight_ = imageIn_.isNull() ? 0 : imageIn_.height();
  update();
}

void SkinButton::Repaint(bool repaint) {
  if (repaint) update();
}

void SkinButton::SetDrawBorder(bool on, bool repaint) {
  drawBorder_ = on;
  Repaint(repaint);
}
void SkinButton::SetFlat(bool on, bool repaint) {
  flat_ = on;
  Repaint(repaint);
}
void SkinButton::SetAlign(int align, bool repaint) {
  if (align < kImageLeft || align > kImageRight) return;
  align_ = align;
  Repaint(repaint);
}
void SkinButton::SetShowText(bool on, bool repaint) {
  showText_ = on;
  Repaint(repaint);
}
void SkinButton::SetDrawFlatFocus(bool on, bool repaint) {
  drawFlatFocus_ = on;
  Repaint(repaint);
}
void SkinButton::SetDrawTransparent(bool on, bool repaint) {
  drawTransparent_ = on;
  if (!on) parentBackground_ = QPixmap();
  Repaint(repaint);
}
void SkinButton::SetActiveBgColour(const QColor& colour, bool repaint) {
  activeBg_ = colour;
  Repaint(repaint);
}
void SkinButton::SetActiveFgColour(const QColor& colour, bool repaint) {
  activeFg_ = colour;
  Repaint(repaint);
}
void SkinButton::SetInactiveBgColour(const QColor& colour, bool repaint) {
  inactiveBg_ = colour;
  Repaint(repaint);
}
void SkinButton::SetInactiveFgColour(const QColor& colour, bool repaint) {
  inactiveFg_ = colour;
  Repaint(repaint);
}

void SkinButton::SetButtonCursor(std::optional<QCursor> cursor) {
  cursor_ = std::move(cursor);
  if (cursor_) {
    setCursor(*cursor_);
  } else {
    unsetCursor();
  }
}

void SkinButton::SetTooltipText(const QString& text) { setToolTip(text); }

QSize SkinButton::sizeHint() const {
  QSize text = showText_ && !QPushButton::text().isEmpty()
                   ? fontMetrics().size(Qt::TextShowMnemonic, QPushButton::text())
                   : QSize();
  const int w = align_ == kImageAbove ? std::max(imageWidth_, text.width())
                                      : imageWidth_ + text.width() + (text.isEmpty() ? 0 : 6);
  const int h =
      align_ == kImageAbove ? imageHeight_ + text.height() : std::max(imageHeight_, text.height());
  return QSize(w + 8, h + 8);
}

void SkinButton::SetMouseOnButton(bool on) {
  if (mouseOnButton_ == on) return;
  mouseOnButton_ = on;
  update();
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
  if (flat_) {
    const bool inside = rect().contains(event->position().toPoint());
    const bool leftHeld = event->buttons() & Qt::LeftButton;
    if (!inside) {
      // The pointer has gone to another window or control.
      SetMouseOnButton(false);
    } else if (!mouseOnButton_ && !leftHeld && QApplication::activeWindow() != nullptr &&
               window() != nullptr) {
      // A button entered with the left button already held does not light up.
      mouseOnButton_ = true;
      setFocus(Qt::MouseFocusReason);
      update();
    }
  }
  QPushButton::mouseMoveEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
  SetMouseOnButton(false);
  QPushButton::leaveEvent(event);
}

void SkinButton::focusOutEvent(QFocusEvent* event) {
  SetMouseOnButton(false);
  QPushButton::focusOutEvent(event);
}

void SkinButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
    parentBackground_ = QPixmap();  // system colours changed: the cached background is stale
  }
  QPushButton::changeEvent(event);
}

namespace {

// A one-pixel 3D rectangle: `topLeft` on the top and left lines, `bottomRight` on the others.
void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  p.setPen(topLeft);
  p.drawLine(r.topLeft(), r.topRight() - QPoint(1, 0));
  p.drawLine(r.topLeft(), r.bottomLeft() - QPoint(0, 1));
  p.setPen(bottomRight);
  p.drawLine(r.topRight(), r.bottomRight());
  p.drawLine(r.bottomLeft(), r.bottomRight());
}

}  // namespace

void SkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const bool pressed = isDown();
  const bool focused = hasFocus();
  const bool disabled = !isEnabled();
  const bool active = mouseOnButton_ || pressed;
  QRect r = rect();

  if (drawTransparent_ && parentWidget() != nullptr) {
    if (parentBackground_.isNull()) {
      // The parent alone, without its children (this button among them).
      parentBackground_ = QPixmap(size());
      parentBackground_.fill(Qt::transparent);
      parentWidget()->render(&parentBackground_, QPoint(), QRegion(geometry()),
                             QWidget::DrawWindowBackground);
    }
    p.drawPixmap(0, 0, parentBackground_);
  } else {
    p.fillRect(r, active ? activeBg_ : inactiveBg_);
  }

  if (!flat_ && (focused || isDefault())) {
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(1, 1, -1, -1);
  }

  if (pressed) {
    if (!flat_) {
      p.setPen(pal.color(QPalette::Dark));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (drawBorder_) {
      Draw3dRect(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    }
  } else if (!flat_) {
    Draw3dRect(p, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    Draw3dRect(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight),
               pal.color(QPalette::Dark));
  } else if (drawBorder_ && mouseOnButton_) {
    Draw3dRect(p, r, pal.color(QPalette::Light), pal.color(QPalette::Dark));
  }

  const QString caption = showText_ ? text() : QString();
  const QSize textSize =
      caption.isEmpty() ? QSize() : p.fontMetrics().size(Qt::TextShowMnemonic, caption);
  const QPoint shift = pressed ? QPoint(1, 1) : QPoint();

  QRect textArea = r;
  if (!imageIn_.isNull()) {
    const QSize image(imageWidth_, imageHeight_);
    QPoint at;
    const int centreX = r.left() + (r.width() - image.width()) / 2;
    const int centreY = r.top() + (r.height() - image.height()) / 2;
    if (caption.isEmpty()) {
      at = QPoint(centreX, centreY);
    } else if (align_ == kImageAbove) {
      const int top = r.top() + (r.height() - image.height() - textSize.height()) / 2;
      at = QPoint(centreX, top);
      textArea.setTop(top + image.height());
    } else if (align_ == kImageRight) {
      at = QPoint(r.right() - 3 - image.width() + 1, centreY);
      textArea.setRight(at.x() - 1);
    } else {
      at = QPoint(r.left() + 3, centreY);
      textArea.setLeft(at.x() + image.width());
    }
    p.drawImage(at + shift, disabled ? imageOut_ : imageIn_);
  }

  if (!caption.isEmpty()) {
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    textArea.translate(shift);
    if (disabled) {
      // Embossed: a light copy one pixel down-right under a dark one.
      p.setPen(pal.color(QPalette::Light));
      p.drawText(textArea.translated(1, 1), flags, caption);
      p.setPen(pal.color(QPalette::Dark));
    } else {
      p.setPen(active ? activeFg_ : inactiveFg_);
    }
    p.drawText(textArea, flags, caption);
  }

  if (focused && (!flat_ || drawFlatFocus_)) {
    QPen dotted(pal.color(QPalette::WindowText), 1, Qt::DotLine);
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(3, 3, -4, -4));
  }
}

}  // namespace tavo
