// Builds bitmap files byte by byte for the loader tests, including broken ones.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavo::test {

inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = v & 0xff;
  b[at + 1] = v >> 8;
}
inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xff;
}

// A bottom-up file with a 40-byte header, `colours` table entries (grey ramp), the pixel rows
// given (already padded), and the given compression and trailing masks.
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bits,
                                         const std::vector<std::uint8_t>& pixels,
                                         std::uint32_t colours = 0, std::uint32_t compression = 0,
                                         std::vector<std::uint32_t> masks = {}) {
  const std::uint32_t table = bits <= 8 ? (colours ? colours : 1u << bits) : colours;
  std::vector<std::uint8_t> b(14 + 40 + table * 4 + masks.size() * 4);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<std::uint32_t>(b.size()));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint16_t>(bits));
  Put32(b, 30, compression);
  Put32(b, 46, colours);
  for (std::uint32_t i = 0; i < table; ++i) {
    const std::uint8_t v = static_cast<std::uint8_t>(i * 255 / (table > 1 ? table - 1 : 1));
    b[54 + i * 4] = v;            // blue
    b[54 + i * 4 + 1] = v;        // green
    b[54 + i * 4 + 2] = 255 - v;  // red
  }
  std::size_t at = 54 + table * 4;
  for (std::uint32_t m : masks) Put32(b, at, m), at += 4;
  b.insert(b.end(), pixels.begin(), pixels.end());
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

// A 24-bit file of one colour.
inline std::vector<std::uint8_t> SolidBmp24(int width, int height, std::uint8_t r, std::uint8_t g,
                                            std::uint8_t bl) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rows[y * stride + x * 3] = bl;
      rows[y * stride + x * 3 + 1] = g;
      rows[y * stride + x * 3 + 2] = r;
    }
  }
  return MakeBmp(width, height, 24, rows);
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavoskin-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tavo::test
