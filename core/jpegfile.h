// JPEG files <-> 24-bit RGB buffers, and a few in-place buffer transforms.
//
// An RGB buffer is width * height * 3 bytes, rows top-down without padding, pixels red, green,
// blue. Buffers returned here belong to the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "messageboxes.h"

namespace tavo {

class JpegFile {
 public:
  // Failure boxes ("JPEG Fatal Error", "JPEG Library Error", out of memory, can't open) go to
  // `boxes`.
  explicit JpegFile(MessageBoxes& boxes) : boxes_(boxes) {}

  // Decodes `path`. Returns the RGB buffer, or null on failure. `width` and `height` are 0 at
  // entry and hold the picture size once the header was read (also when decoding fails later:
  // test the buffer, not the size).
  std::unique_ptr<std::uint8_t[]> JpegToRgb(const std::string& path, std::uint32_t& width,
                                            std::uint32_t& height);

  // Encodes `rgb` to `path` at `quality` (1..100) in the suite's fixed file format. The file
  // appears whole or not at all (written beside it, then renamed). Returns false when the file
  // cannot be written or the codec fails; the previous file under `path`, if any, stays.
  bool RgbToJpeg(const std::string& path, int quality, const std::uint8_t* rgb,
                 std::uint32_t width, std::uint32_t height);

  // Reads only the header of `path`. False when the file cannot be opened or is no JPEG.
  bool ReadJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);

  // Exchanges byte 0 and byte 2 of every pixel. False for a null buffer.
  static bool SwapRedBlue(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);

  // Replaces every pixel by trunc(0.299 R + 0.587 G + 0.114 B). False for a null buffer.
  static bool MakeGray(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);

  // Copies packed rows into rows of `stride` = width * 3 rounded up to 4 bytes. Null for a null
  // input or when memory is short.
  static std::unique_ptr<std::uint8_t[]> PadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                 std::uint32_t height, std::uint32_t& stride);

  // Copies rows of `stride` bytes into a packed width * height * 3 buffer. Null for a null input
  // or when memory is short.
  static std::unique_ptr<std::uint8_t[]> UnpadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                   std::uint32_t stride, std::uint32_t height);

  // Turns the picture upside down in place. False for a null buffer or when memory is short.
  static bool FlipRows(std::uint8_t* buffer, std::uint32_t rowBytes, std::uint32_t height);

 private:
  MessageBoxes& boxes_;
};

}  // namespace tavo
