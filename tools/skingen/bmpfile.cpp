#include "bmpfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

namespace skingen {
namespace {

void Put16(std::vector<unsigned char>& out, size_t at, uint16_t v) {
  out[at] = static_cast<unsigned char>(v & 0xff);
  out[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Put32(std::vector<unsigned char>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
}

}  // namespace

std::vector<unsigned char> EncodeBmp24(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  const uint32_t width = static_cast<uint32_t>(rgb.width());
  const uint32_t height = static_cast<uint32_t>(rgb.height());
  const uint32_t stride = (width * 3 + 3) & ~3u;
  const uint32_t pixelBytes = stride * height;
  constexpr uint32_t kHeaders = 14 + 40;

  std::vector<unsigned char> out(kHeaders + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, kHeaders + pixelBytes);
  Put32(out, 10, kHeaders);
  Put32(out, 14, 40);
  Put32(out, 18, width);
  Put32(out, 22, height);  // positive: rows bottom-up
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 30, 0);  // BI_RGB
  Put32(out, 34, pixelBytes);
  Put32(out, 38, 2835);  // 72 dpi
  Put32(out, 42, 2835);

  for (uint32_t y = 0; y < height; ++y) {
    const uchar* src = rgb.constScanLine(static_cast<int>(height - 1 - y));
    unsigned char* dst = out.data() + kHeaders + y * stride;
    for (uint32_t x = 0; x < width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return out;
}

bool WriteBmp24(const QImage& image, const QString& path) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  const std::vector<unsigned char> bytes = EncodeBmp24(image);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const qint64 size = static_cast<qint64>(bytes.size());
  return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

}  // namespace skingen
