#include "skinbitmap.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <vector>

#include "filehandle.h"
#include "skinfolder.h"

namespace tavo {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    bits = std::bit_width(mask >> shift);
  }
  int Value(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<int>(v >> (bits - 8));
    return static_cast<int>(v * 255 / ((1u << bits) - 1));
  }
};

}  // namespace

bool DecodeSkinBitmap(std::span<const std::uint8_t> file, QImage& bitmap) {
  if (file.size() < kFileHeaderBytes || file[0] != 'B' || file[1] != 'M') return false;
  if (file.size() > kMaxSkinFileBytes) return false;
  std::span<const std::uint8_t> rest = file.subspan(kFileHeaderBytes);
  if (rest.size() < kInfoHeaderBytes) return false;

  const std::uint8_t* h = rest.data();
  const std::uint32_t headerSize = U32(h);
  const std::int64_t width = static_cast<std::int32_t>(U32(h + 4));
  const std::int64_t rawHeight = static_cast<std::int32_t>(U32(h + 8));
  const unsigned bitCount = U16(h + 14);
  const std::uint32_t compression = U32(h + 16);
  const std::uint64_t coloursUsed = U32(h + 32);

  // The colour table follows a 40-byte header. Later header versions (108 and 124 bytes) carry
  // their masks inside the header; reading them as a 40-byte one would shift every pixel.
  std::uint64_t tableOffset = kInfoHeaderBytes;
  bool masksInHeader = false;
  if (headerSize == 108 || headerSize == 124) {
    tableOffset = headerSize;
    masksInHeader = true;
  }

  const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
  if (compression == kBitFields) {
    if (bitCount != 16 && bitCount != 32) return false;
  } else if (compression != 0 ||
             (!paletted && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
    return false;
  }

  const bool topDown = rawHeight < 0;
  const std::int64_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width * height > kMaxSkinPixels) return false;

  std::uint64_t colours = 0;
  std::uint64_t pixelOffset = 0;
  if (paletted) {
    colours = coloursUsed != 0 ? coloursUsed : (std::uint64_t{1} << bitCount);
    pixelOffset = tableOffset + colours * 4;
  } else {
    const bool trailingMasks = compression == kBitFields && !masksInHeader;
    pixelOffset = tableOffset + (coloursUsed + (trailingMasks ? 3 : 0)) * 4;
  }
  if (masksInHeader && rest.size() < tableOffset) return false;

  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
  if (pixelOffset > rest.size() ||
      stride * static_cast<std::uint64_t>(height) > rest.size() - pixelOffset) {
    return false;
  }

  std::vector<QRgb> table;
  if (paletted) {
    const std::uint64_t usable = std::min<std::uint64_t>(colours, 256);
    table.resize(256, qRgb(0, 0, 0));
    for (std::uint64_t i = 0; i < usable; ++i) {
      const std::uint8_t* e = h + tableOffset + i * 4;
      table[i] = qRgb(e[2], e[1], e[0]);
    }
  }
  Channel red(0x7c00), green(0x03e0), blue(0x001f);
  if (bitCount == 32 && compression == 0) {
    red = Channel(0xff0000), green = Channel(0xff00), blue = Channel(0xff);
  }
  if (compression == kBitFields) {
    const std::uint8_t* m = masksInHeader ? h + kInfoHeaderBytes : h + pixelOffset - 12;
    red = Channel(U32(m)), green = Channel(U32(m + 4)), blue = Channel(U32(m + 8));
  }

  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
  if (image.isNull()) return false;
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint8_t* src = h + pixelOffset + row * stride;
    auto* dst =
        reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(topDown ? row : height - 1 - row)));
    for (std::int64_t x = 0; x < width; ++x) {
      switch (bitCount) {
        case 1:
          dst[x] = table[(src[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 4:
          dst[x] = table[(src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0f];
          break;
        case 8:
          dst[x] = table[src[x]];
          break;
        case 24:
          dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
          break;
        case 16: {
          const std::uint32_t p = U16(src + x * 2);
          dst[x] = qRgb(red.Value(p), green.Value(p), blue.Value(p));
          break;
        }
        default: {
          const std::uint32_t p = U32(src + x * 4);
          dst[x] = qRgb(red.Value(p), green.Value(p), blue.Value(p));
          break;
        }
      }
    }
  }
  bitmap = std::move(image);
  return true;
}

bool LoadSkinBitmap(const std::string& path, QImage& bitmap) {
  const std::string resolved = ResolveCaseFolded(path);
  const FilePtr file = OpenFile(resolved.c_str(), "rb");
  if (!file) return false;

  std::uint8_t header[kFileHeaderBytes];
  if (std::fread(header, 1, kFileHeaderBytes, file.get()) != kFileHeaderBytes) return false;
  if (header[0] != 'B' || header[1] != 'M') return false;

  if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long length = std::ftell(file.get());
  if (length < static_cast<long>(kFileHeaderBytes) ||
      static_cast<unsigned long>(length) > kMaxSkinFileBytes) {
    return false;
  }
  if (std::fseek(file.get(), kFileHeaderBytes, SEEK_SET) != 0) return false;
  // Sized once from the file: growing a 14-byte vector trips GCC 12's bounds warning at -O3.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  std::copy(header, header + kFileHeaderBytes, bytes.begin());
  const std::size_t restBytes = bytes.size() - kFileHeaderBytes;
  if (std::fread(bytes.data() + kFileHeaderBytes, 1, restBytes, file.get()) != restBytes) {
    return false;
  }
  return DecodeSkinBitmap(bytes, bitmap);
}

}  // namespace tavo
