#include "skinpaint.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>

namespace skingen {
namespace {

QColor Lift(const QColor& c, int by) {
  auto ch = [by](int v) { return std::clamp(v + by, 0, 255); };
  return QColor(ch(c.red()), ch(c.green()), ch(c.blue()), c.alpha());
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

QPen Pen(const QColor& c, qreal width = 1.0) {
  QPen pen(c, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// Face colours of raised controls by state: top and bottom of the gradient.
struct FaceColours {
  QColor top, bottom, glyph;
};

FaceColours ColoursFor(FaceState state) {
  switch (state) {
    case FaceState::Hover:
      return {QColor(118, 119, 118), QColor(64, 64, 64), colour::kText};
    case FaceState::Pressed:
      return {QColor(30, 30, 30), QColor(60, 59, 59), QColor(220, 236, 250)};
    case FaceState::Normal:
      break;
  }
  return {QColor(100, 100, 100), QColor(52, 51, 51), QColor(236, 236, 236)};
}

// A raised rounded body with a dark outline, an inner top highlight, and an accent ring on hover.
void RaisedBody(QPainter& p, const QRectF& r, qreal radius, FaceState state) {
  const FaceColours c = ColoursFor(state);
  const QRectF outer = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(Pen(QColor(14, 14, 14)));
  p.setBrush(Vertical(outer, c.top, c.bottom));
  p.drawRoundedRect(outer, radius, radius);
  const QRectF inner = outer.adjusted(1, 1, -1, -1);
  p.setBrush(Qt::NoBrush);
  if (state == FaceState::Pressed) {
    p.setPen(Pen(QColor(0, 0, 0, 150)));
    p.drawLine(QPointF(inner.left() + radius * 0.5, inner.top()),
               QPointF(inner.right() - radius * 0.5, inner.top()));
  } else {
    QLinearGradient hl(inner.topLeft(), inner.bottomLeft());
    hl.setColorAt(0, QColor(255, 255, 255, state == FaceState::Hover ? 110 : 80));
    hl.setColorAt(0.5, QColor(255, 255, 255, 10));
    hl.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(QPen(QBrush(hl), 1));
    p.drawRoundedRect(inner, std::max(0.0, radius - 1), std::max(0.0, radius - 1));
  }
  if (state == FaceState::Hover) {
    QColor ring = colour::kAccent;
    ring.setAlpha(210);
    p.setPen(Pen(ring));
    p.drawRoundedRect(outer, radius, radius);
  }
}

void Tiny(QPainter& p, const QRectF& r, Glyph glyph, FaceState state) {
  RaisedBody(p, r, 2.0, state);
  QColor g = ColoursFor(state).glyph;
  if (state == FaceState::Pressed)
    g = glyph == Glyph::Close ? QColor(255, 112, 96) : colour::kAccent;
  DrawGlyph(p, glyph, r.adjusted(2.5, 2.5, -2.5, -2.5), g);
}

void Round(QPainter& p, const QRectF& r, Glyph glyph, FaceState state, bool large) {
  const QPointF c = r.center();
  const qreal radius = r.width() / 2.0;
  // Soft shadow below, a machined bezel, then the face.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawEllipse(c + QPointF(0, 0.6), radius - 0.4, radius - 0.4);
  QLinearGradient bezel(r.topLeft(), r.bottomLeft());
  bezel.setColorAt(0, QColor(178, 180, 178));
  bezel.setColorAt(0.55, QColor(96, 97, 96));
  bezel.setColorAt(1, QColor(40, 40, 40));
  p.setPen(Pen(QColor(12, 12, 12)));
  p.setBrush(bezel);
  p.drawEllipse(c, radius - 1.2, radius - 1.2);

  const FaceColours fc = ColoursFor(state);
  const qreal faceR = radius - (large ? 4.0 : 3.5);
  QRadialGradient face(c + QPointF(0, -faceR * 0.6), faceR * 1.8);
  face.setColorAt(0, Lift(fc.top, state == FaceState::Pressed ? 0 : 14));
  face.setColorAt(1, fc.bottom);
  if (state == FaceState::Pressed) {
    face.setCenter(c + QPointF(0, faceR * 0.7));
    face.setFocalPoint(c + QPointF(0, faceR * 0.7));
  }
  p.setPen(Pen(QColor(16, 16, 16)));
  p.setBrush(face);
  p.drawEllipse(c, faceR, faceR);
  if (state != FaceState::Pressed) {
    // Gloss on the upper half of the face.
    QLinearGradient gloss(c - QPointF(0, faceR), c);
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.x() - faceR * 0.78, c.y() - faceR * 0.94, faceR * 1.56, faceR * 1.05));
  } else {
    p.setPen(Pen(QColor(0, 0, 0, 140), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - faceR + 1, c.y() - faceR + 1, 2 * faceR - 2, 2 * faceR - 2), 30 * 16,
              120 * 16);
  }
  if (state == FaceState::Hover) {
    QColor ring = colour::kAccent;
    ring.setAlpha(230);
    p.setPen(Pen(ring, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, faceR + 0.2, faceR + 0.2);
  }
  const qreal g = faceR * (large ? 1.15 : 1.2);
  DrawGlyph(p, glyph, QRectF(c.x() - g / 2, c.y() - g / 2, g, g), fc.glyph);
}

void Tab(QPainter& p, const QRectF& r, const Tr& label, FaceState state, Lang lang) {
  RaisedBody(p, r, 2.5, state);
  const QColor text = state == FaceState::Pressed ? colour::kAccent : colour::kText;
  DrawLabel(p, r.adjusted(1, 0, -1, 0), QString::fromUtf8(label.In(lang)), lang,
            static_cast<int>(r.height()) - 6, Qt::AlignCenter, text, true);
}

void Square(QPainter& p, const QRectF& r, Glyph glyph, FaceState state) {
  RaisedBody(p, r, 4.0, state);
  QColor g = ColoursFor(state).glyph;
  if (glyph == Glyph::Trash && state != FaceState::Normal) g = QColor(255, 120, 104);
  const qreal s = std::min(r.width(), r.height()) * 0.62;
  DrawGlyph(p, glyph, QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s), g);
}

void Pill(QPainter& p, const QRectF& full, Glyph glyph, const Tr& label, FaceState state,
          Lang lang) {
  // One plain column on the right keeps neighbouring buttons apart, even where they overlap.
  const QRectF r = full.adjusted(0, 0, -1, 0);
  RaisedBody(p, r, r.height() / 2.0, state);
  const FaceColours fc = ColoursFor(state);
  const QColor text = state == FaceState::Pressed ? colour::kAccent : fc.glyph;
  const qreal gs = r.height() - 3;
  if (label.Empty()) {
    DrawGlyph(p, glyph, QRectF(r.center().x() - gs / 2, r.center().y() - gs / 2, gs, gs), text);
    return;
  }
  const QString s = QString::fromUtf8(label.In(lang));
  const int px = std::min(10, static_cast<int>(r.height()) - 3);
  const qreal textW = QFontMetricsF(TextFont(s, lang, px, true)).horizontalAdvance(s);
  const qreal gap = 2;
  const bool withGlyph = glyph != Glyph::None && textW + gs + gap <= r.width() - r.height();
  // Text alone keeps clear of the rounded ends; a longer word is drawn narrower inside them.
  const qreal inside = r.width() - r.height() * 0.8;
  const qreal shown = withGlyph ? textW : std::min(textW, inside);
  const qreal total = withGlyph ? textW + gs + gap : shown;
  qreal x = r.center().x() - total / 2;
  if (withGlyph) {
    DrawGlyph(p, glyph, QRectF(x, r.center().y() - gs / 2, gs, gs), text);
    x += gs + gap;
  }
  DrawLabel(p, QRectF(x - 1, r.top(), shown + 2, r.height()), s, lang, px, Qt::AlignCenter, text,
            true);
}

void Arrow(QPainter& p, const QRectF& r, Glyph glyph, FaceState state) {
  RaisedBody(p, r, 3.0, state);
  const QColor g = state == FaceState::Pressed ? colour::kAccent : ColoursFor(state).glyph;
  DrawGlyph(p, glyph, r.adjusted(3, 3, -3, -3), g);
}

void CheckBox(QPainter& p, const QRectF& r, bool on) {
  const QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(Pen(QColor(10, 10, 10)));
  p.setBrush(Vertical(box, QColor(20, 20, 20), QColor(38, 37, 37)));
  p.drawRoundedRect(box, 2.5, 2.5);
  p.setPen(Pen(QColor(255, 255, 255, 40)));
  p.drawLine(QPointF(box.left() + 2, box.bottom() + 0.0), QPointF(box.right() - 2, box.bottom()));
  if (on) {
    p.setPen(Qt::NoPen);
    QColor glow = colour::kAccent;
    glow.setAlpha(60);
    p.setBrush(glow);
    p.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 1.5, 1.5);
    DrawGlyph(p, Glyph::Check, box.adjusted(2, 2, -2, -2), QColor(140, 206, 255));
  }
}

void Track(QPainter& p, const QRectF& r) {
  const QRectF groove = r.adjusted(0.5, 1.5, -0.5, -1.5);
  p.setPen(Pen(QColor(255, 255, 255, 46)));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(groove.adjusted(0, 1, 0, 1), 4.5, 4.5);
  p.setPen(Pen(QColor(8, 8, 8)));
  p.setBrush(Vertical(groove, QColor(14, 14, 14), QColor(36, 35, 35)));
  p.drawRoundedRect(groove, 4.5, 4.5);
  // Fine scale marks in the groove.
  p.setPen(Pen(QColor(70, 70, 70)));
  for (qreal x = r.left() + 25; x < r.right() - 20; x += 24.2)
    p.drawLine(QPointF(std::floor(x) + 0.5, groove.center().y() - 1),
               QPointF(std::floor(x) + 0.5, groove.center().y() + 1));
}

void Thumb(QPainter& p, const QRectF& r) {
  const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(Pen(QColor(16, 16, 16)));
  QLinearGradient g(body.topLeft(), body.bottomLeft());
  g.setColorAt(0, QColor(214, 216, 214));
  g.setColorAt(0.5, colour::kLight);
  g.setColorAt(1, QColor(104, 106, 104));
  p.setBrush(g);
  p.drawRoundedRect(body, 5.5, 5.5);
  p.setPen(Pen(QColor(255, 255, 255, 120)));
  p.drawLine(QPointF(body.left() + 5, body.top() + 1), QPointF(body.right() - 5, body.top() + 1));
  // Grip in the middle.
  const qreal cx = std::floor(r.center().x());
  for (int i = -2; i <= 2; i += 2) {
    p.setPen(Pen(QColor(78, 80, 78)));
    p.drawLine(QPointF(cx + i + 0.5, r.top() + 3.5), QPointF(cx + i + 0.5, r.bottom() - 3.5));
    p.setPen(Pen(QColor(230, 232, 230)));
    p.drawLine(QPointF(cx + i + 1.5, r.top() + 3.5), QPointF(cx + i + 1.5, r.bottom() - 3.5));
  }
}

void Sign(QPainter& p, const QRectF& r, bool lit) {
  if (lit) {
    QRadialGradient glow(r.center(), r.width() * 0.7);
    glow.setColorAt(0, QColor(255, 70, 50, 120));
    glow.setColorAt(1, QColor(255, 70, 50, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRect(r);
  }
  DrawGlyph(p, Glyph::Camera, QRectF(r.left() + 2, r.top() - 1.5, 12, 13),
            lit ? QColor(255, 96, 76) : QColor(84, 84, 84));
}

}  // namespace

QFont UiFont(Lang lang, int pixelSize, bool bold) {
  // IPAPGothic, not IPAGothic: the latter draws every character in one width, Latin letters too.
  const char* family = lang == Lang::Korean     ? "NanumGothic"
                       : lang == Lang::Japanese ? "IPAPGothic"
                                                : "Liberation Sans";
  QFont f(QString::fromLatin1(family));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

QFont TextFont(const QString& text, Lang lang, int pixelSize, bool bold) {
  bool latin = true;
  for (QChar c : text) latin = latin && c.unicode() < 0x80;
  return UiFont(latin ? Lang::English : lang, pixelSize, bold);
}

ColumnFit FitColumn(const std::vector<std::pair<QString, QString>>& labels, qreal width, Lang lang,
                    int pixelSize, int smallest) {
  ColumnFit fit;
  for (int px = pixelSize; px >= smallest; --px) {
    fit.pixelSize = px;
    fit.texts.clear();
    bool fits = true;
    for (const auto& [full, brief] : labels) {
      auto advance = [&](const QString& t) {
        return QFontMetricsF(TextFont(t, lang, px)).horizontalAdvance(t);
      };
      if (advance(full) <= width) {
        fit.texts.push_back(full);
      } else {
        fit.texts.push_back(brief);
        fits = fits && advance(brief) <= width;
      }
    }
    if (fits) break;
  }
  return fit;
}

void DrawLabel(QPainter& p, const QRectF& rect, const QString& text, Lang lang, int pixelSize,
               int flags, const QColor& colour, bool bold, bool shadow) {
  QFont f = TextFont(text, lang, pixelSize, bold);
  qreal width = QFontMetricsF(f).horizontalAdvance(text);
  // Shrink by one pixel at most so that labels of a column keep one size, then narrow the face.
  const int smallest = std::max(7, pixelSize - 1);
  while (width > rect.width() && f.pixelSize() > smallest) {
    f.setPixelSize(f.pixelSize() - 1);
    width = QFontMetricsF(f).horizontalAdvance(text);
  }
  // Still too wide: draw it narrowed horizontally into the rectangle.
  QRectF box = rect;
  qreal sx = 1.0;
  int drawFlags = flags;
  if (width > rect.width()) {
    sx = rect.width() / width;
    box.setWidth(width);
    drawFlags = (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
  }
  p.save();
  p.translate(rect.left(), 0);
  p.scale(sx, 1.0);
  p.translate(-rect.left(), 0);
  p.setFont(f);
  if (shadow) {
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(box.translated(0, 1), drawFlags, text);
  }
  p.setPen(colour);
  p.drawText(box, drawFlags, text);
  p.restore();
}

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& c) {
  if (glyph == Glyph::None) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = std::min(box.width(), box.height());
  const QPointF o(box.center().x() - s / 2, box.center().y() - s / 2);
  auto at = [&](qreal x, qreal y) { return o + QPointF(x * s, y * s); };
  const qreal stroke = std::max(1.15, s * 0.13);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(c, stroke));
  switch (glyph) {
    case Glyph::Close:
    case Glyph::Cancel:
      p.drawLine(at(0.18, 0.18), at(0.82, 0.82));
      p.drawLine(at(0.82, 0.18), at(0.18, 0.82));
      break;
    case Glyph::Minimise:
      p.drawLine(at(0.15, 0.8), at(0.85, 0.8));
      break;
    case Glyph::Plus:
      p.drawLine(at(0.15, 0.5), at(0.85, 0.5));
      p.drawLine(at(0.5, 0.15), at(0.5, 0.85));
      break;
    case Glyph::Minus:
      p.drawLine(at(0.15, 0.5), at(0.85, 0.5));
      break;
    case Glyph::Help: {
      QPainterPath q;
      q.moveTo(at(0.22, 0.3));
      q.cubicTo(at(0.22, -0.02), at(0.8, -0.02), at(0.78, 0.3));
      q.cubicTo(at(0.76, 0.5), at(0.5, 0.46), at(0.5, 0.66));
      p.drawPath(q);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawEllipse(at(0.5, 0.93), stroke * 0.62, stroke * 0.62);
      break;
    }
    case Glyph::PinOff:
    case Glyph::PinOn: {
      // A push pin: upright and filled when pinned, leaning and hollow when not.
      p.translate(box.center());
      if (glyph == Glyph::PinOff) p.rotate(40);
      p.translate(-box.center());
      QPainterPath head;
      head.addRoundedRect(QRectF(at(0.3, 0.0), at(0.7, 0.34)), s * 0.08, s * 0.08);
      head.addRect(QRectF(at(0.16, 0.34), at(0.84, 0.48)));
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(head);
      p.setPen(Pen(c, std::max(1.0, s * 0.12)));
      p.drawLine(at(0.5, 0.48), at(0.5, 1.0));
      break;
    }
    case Glyph::Record: {
      QRadialGradient g(at(0.42, 0.38), s * 0.42);
      g.setColorAt(0, QColor(255, 136, 120));
      g.setColorAt(0.6, colour::kRecord);
      g.setColorAt(1, QColor(150, 30, 24));
      p.setPen(Pen(QColor(60, 10, 8, 200), 0.8));
      p.setBrush(g);
      p.drawEllipse(at(0.5, 0.5), s * 0.3, s * 0.3);
      break;
    }
    case Glyph::Stop:
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawRoundedRect(QRectF(at(0.27, 0.27), at(0.73, 0.73)), s * 0.05, s * 0.05);
      break;
    case Glyph::Play: {
      QPainterPath t;
      t.moveTo(at(0.32, 0.2));
      t.lineTo(at(0.82, 0.5));
      t.lineTo(at(0.32, 0.8));
      t.closeSubpath();
      p.setPen(Pen(c, s * 0.06));
      p.setBrush(c);
      p.drawPath(t);
      break;
    }
    case Glyph::Prev:
    case Glyph::Next: {
      QPainterPath t;
      const bool next = glyph == Glyph::Next;
      t.moveTo(at(next ? 0.3 : 0.7, 0.18));
      t.lineTo(at(next ? 0.78 : 0.22, 0.5));
      t.lineTo(at(next ? 0.3 : 0.7, 0.82));
      t.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(t);
      break;
    }
    case Glyph::Check: {
      QPainterPath t;
      t.moveTo(at(0.16, 0.52));
      t.lineTo(at(0.4, 0.76));
      t.lineTo(at(0.84, 0.24));
      p.setPen(Pen(c, std::max(1.4, s * 0.16)));
      p.drawPath(t);
      break;
    }
    case Glyph::Gear: {
      QPainterPath gear;
      const int teeth = 8;
      const QPointF m = at(0.5, 0.5);
      const qreal ro = s * 0.47, ri = s * 0.35;
      for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i - 1.5) * M_PI * 2 / (teeth * 4);
        const qreal rr = (i % 4 < 2) ? ro : ri;
        const QPointF pt = m + QPointF(std::cos(a) * rr, std::sin(a) * rr);
        if (i == 0)
          gear.moveTo(pt);
        else
          gear.lineTo(pt);
      }
      gear.closeSubpath();
      gear.addEllipse(m, s * 0.15, s * 0.15);
      gear.setFillRule(Qt::OddEvenFill);
      p.setPen(Pen(c, 0.6));
      p.setBrush(c);
      p.drawPath(gear);
      break;
    }
    case Glyph::Camera: {
      QPainterPath body;
      body.addRoundedRect(QRectF(at(0.06, 0.3), at(0.94, 0.84)), s * 0.1, s * 0.1);
      QPainterPath hump;
      hump.addRoundedRect(QRectF(at(0.32, 0.17), at(0.66, 0.36)), s * 0.05, s * 0.05);
      QPainterPath lens;
      lens.addEllipse(at(0.5, 0.57), s * 0.19, s * 0.19);
      QPainterPath shape = body.united(hump).subtracted(lens);
      shape.addEllipse(at(0.5, 0.57), s * 0.1, s * 0.1);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(shape);
      break;
    }
    case Glyph::Gallery:
    case Glyph::Photo: {
      // Two stacked photographs for the gallery, one for a single photo.
      const bool stack = glyph == Glyph::Gallery;
      const QRectF front =
          stack ? QRectF(at(0.06, 0.26), at(0.78, 0.86)) : QRectF(at(0.1, 0.2), at(0.9, 0.8));
      if (stack) {
        p.setPen(Pen(c, stroke * 0.8));
        p.drawPolyline(QPolygonF({at(0.24, 0.18), at(0.94, 0.18), at(0.94, 0.72)}));
      }
      p.setPen(Pen(c, stroke * 0.8));
      p.drawRoundedRect(front, s * 0.04, s * 0.04);
      QPainterPath hills;
      hills.moveTo(front.left() + s * 0.06, front.bottom() - s * 0.06);
      hills.lineTo(front.left() + front.width() * 0.36, front.top() + front.height() * 0.42);
      hills.lineTo(front.left() + front.width() * 0.58, front.top() + front.height() * 0.68);
      hills.lineTo(front.left() + front.width() * 0.72, front.top() + front.height() * 0.52);
      hills.lineTo(front.right() - s * 0.06, front.bottom() - s * 0.06);
      hills.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(hills);
      p.drawEllipse(
          QPointF(front.left() + front.width() * 0.72, front.top() + front.height() * 0.28),
          s * 0.06, s * 0.06);
      break;
    }
    case Glyph::Save: {
      QPainterPath disk;
      disk.moveTo(at(0.12, 0.12));
      disk.lineTo(at(0.72, 0.12));
      disk.lineTo(at(0.88, 0.28));
      disk.lineTo(at(0.88, 0.88));
      disk.lineTo(at(0.12, 0.88));
      disk.closeSubpath();
      disk.addRect(QRectF(at(0.3, 0.12), at(0.66, 0.36)));
      disk.addRect(QRectF(at(0.26, 0.54), at(0.74, 0.88)));
      disk.setFillRule(Qt::OddEvenFill);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(disk);
      break;
    }
    case Glyph::Trash: {
      p.setPen(Pen(c, stroke));
      p.drawLine(at(0.14, 0.22), at(0.86, 0.22));
      p.drawLine(at(0.4, 0.1), at(0.6, 0.1));
      QPainterPath can;
      can.moveTo(at(0.22, 0.3));
      can.lineTo(at(0.28, 0.92));
      can.lineTo(at(0.72, 0.92));
      can.lineTo(at(0.78, 0.3));
      can.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(can);
      if (s >= 10) {
        QColor ridge(0, 0, 0, 110);
        p.setPen(Pen(ridge, std::max(1.0, s * 0.06)));
        p.drawLine(at(0.4, 0.4), at(0.41, 0.82));
        p.drawLine(at(0.6, 0.4), at(0.59, 0.82));
      }
      break;
    }
    case Glyph::Mail: {
      const QRectF env(at(0.06, 0.2), at(0.94, 0.8));
      p.setPen(Pen(c, stroke * 0.8));
      p.drawRoundedRect(env, s * 0.05, s * 0.05);
      p.drawPolyline(QPolygonF({env.topLeft() + QPointF(s * 0.04, s * 0.04), at(0.5, 0.54),
                                env.topRight() + QPointF(-s * 0.04, s * 0.04)}));
      break;
    }
    case Glyph::Folder: {
      QPainterPath f;
      f.moveTo(at(0.06, 0.22));
      f.lineTo(at(0.38, 0.22));
      f.lineTo(at(0.46, 0.32));
      f.lineTo(at(0.94, 0.32));
      f.lineTo(at(0.94, 0.82));
      f.lineTo(at(0.06, 0.82));
      f.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawPath(f);
      break;
    }
    case Glyph::None:
      break;
  }
  p.restore();
}

void DrawControl(QPainter& p, const Placement& control, FaceState state, int variant, Lang lang) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF r(control.rect);
  const int v = std::clamp(variant, 0, 1);
  const Glyph glyph = control.glyph[v] != Glyph::None ? control.glyph[v] : control.glyph[0];
  const Tr& label = control.label[v].Empty() ? control.label[0] : control.label[v];
  switch (control.look) {
    case Look::Tiny:
      Tiny(p, r, glyph, state);
      break;
    case Look::Round:
      Round(p, r, glyph, state, false);
      break;
    case Look::RoundLarge:
      Round(p, r, glyph, state, true);
      break;
    case Look::Tab:
      Tab(p, r, label, state, lang);
      break;
    case Look::Square:
      Square(p, r, glyph, state);
      break;
    case Look::Pill:
      Pill(p, r, glyph, label, state, lang);
      break;
    case Look::Arrow:
      Arrow(p, r, glyph, state);
      break;
    case Look::CheckBox:
      CheckBox(p, r, v == 1);
      break;
    case Look::Track:
      Track(p, r);
      break;
    case Look::Thumb:
      Thumb(p, r);
      break;
    case Look::Sign:
      Sign(p, r, state != FaceState::Normal);
      break;
  }
  p.restore();
}

}  // namespace skingen
