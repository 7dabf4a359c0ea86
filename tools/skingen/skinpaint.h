// Drawing of the skins: the palette, glyphs, controls in each state, and whole backgrounds.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

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
