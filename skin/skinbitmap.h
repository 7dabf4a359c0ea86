// The skin bitmap loader. Skin files are untrusted input: every size and offset in them is
// checked against the file before a byte is read, and absurd sizes are refused.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tavo {

// Larger files and pictures are refused; the biggest skin picture is 664 x 516.
inline constexpr std::size_t kMaxSkinFileBytes = 64u << 20;
inline constexpr std::int64_t kMaxSkinPixels = 16 << 20;

// Reads the bitmap file at `path`, whose letters are matched without regard to case, into
// `bitmap` (RGB32). Returns false and leaves `bitmap` untouched when the file cannot be opened,
// is shorter than its 14-byte header, does not start with "BM", is shorter than its header says,
// or holds a header, colour table or pixel data that does not fit or is not supported
// (uncompressed 1, 4, 8, 16, 24 or 32 bits per pixel, or bit fields at 16 and 32 bits).
bool LoadSkinBitmap(const std::string& path, QImage& bitmap);

// The same checks and decoding for a whole bitmap file held in memory.
bool DecodeSkinBitmap(std::span<const std::uint8_t> file, QImage& bitmap);

}  // namespace tavo
