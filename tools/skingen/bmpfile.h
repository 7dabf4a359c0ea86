// Writes images as the skin loader expects them: uncompressed 24-bit Windows bitmaps.
#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace skingen {

// The complete bytes of a 24-bit BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, rows bottom-up,
// each padded to 4 bytes). Written by hand so the format does not depend on Qt's writer.
std::vector<unsigned char> EncodeBmp24(const QImage& image);

// Writes EncodeBmp24 of the image to path, creating missing folders. Returns false on failure.
bool WriteBmp24(const QImage& image, const QString& path);

}  // namespace skingen
