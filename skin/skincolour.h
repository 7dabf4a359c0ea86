// Colour arithmetic of the skinned controls: the shades of a thumb and the blends of two system
// colours.
#pragma once

#include <QColor>

namespace tavo {

// Adds n to each of red, green and blue; a channel whose sum would pass 255 stays as it was.
inline QColor Lighten(const QColor& c, int n) {
  auto up = [n](int v) { return v + n > 255 ? v : v + n; };
  return QColor(up(c.red()), up(c.green()), up(c.blue()));
}

// Subtracts n from each channel; a channel smaller than n stays as it was.
inline QColor Darken(const QColor& c, int n) {
  auto down = [n](int v) { return v < n ? v : v - n; };
  return QColor(down(c.red()), down(c.green()), down(c.blue()));
}

// Per channel a + floor((b - a) / 2): half way from a to b (floor, not truncation, when b < a).
inline QColor Blend(const QColor& a, const QColor& b) {
  auto mid = [](int x, int y) {
    const int d = y - x;
    return x + (d >= 0 ? d / 2 : -((-d + 1) / 2));
  };
  return QColor(mid(a.red(), b.red()), mid(a.green(), b.green()), mid(a.blue(), b.blue()));
}

}  // namespace tavo
