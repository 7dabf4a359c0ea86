// Drawing of the skins: the palette, glyphs, controls in each state, and whole backgrounds.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <utility>
#include <vector>

#include "skintable.h"

namespace skingen {

namespace colour {
inline const QColor kBase(42, 41, 41);      // fields and wells
inline const QColor kMid(82, 82, 82);       // raised frames, slider ground
inline const QColor kLight(148, 150, 148);  // edges, thumbs
inline const QColor kText(255, 255, 255);
inline const QColor kTextDim(176, 178, 176);
inline const QColor kAccent(92, 176, 240);
inline const QColor kRecord(228, 64, 52);
}  // namespace colour

QFont UiFont(Lang lang, int pixelSize, bool bold = false);
// The font for `text` in `lang`: text in Latin letters only takes the Latin face in every
// language, so that "CRT" looks the same in the three skins.
QFont TextFont(const QString& text, Lang lang, int pixelSize, bool bold = false);

// A column of labels drawn at one size: each label has a full and a short wording; the size is
// the largest from `pixelSize` down to `smallest` at which every label fits `width` in its full
// wording, or else in its short one.
struct ColumnFit {
  int pixelSize = 0;
  std::vector<QString> texts;
};
ColumnFit FitColumn(const std::vector<std::pair<QString, QString>>& labels, qreal width, Lang lang,
                    int pixelSize, int smallest);

// Draws text fitted into rect: the size shrinks (down to 7 pixels), then the font narrows, until it
// fits. A dark drop shadow one pixel below lifts it off the metal.
void DrawLabel(QPainter& p, const QRectF& rect, const QString& text, Lang lang, int pixelSize,
               int flags, const QColor& colour, bool bold = false, bool shadow = true);

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& colour);

// Draws one control of a surface in a state at its rectangle.
void DrawControl(QPainter& p, const Placement& control, FaceState state, int variant, Lang lang);

// The static look of a surface without its controls.
QImage RenderDecor(const Surface& surface, Lang lang);

// The background file: the decor with every control in its normal face (variant 0).
QImage RenderBackground(const Surface& surface, Lang lang);

// A face file: the control drawn in its state over what lies behind it, cut to its rectangle.
QImage RenderFace(const FaceFile& face, Lang lang);

}  // namespace skingen
