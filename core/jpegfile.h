// JPEG files <-> 24-bit RGB buffers, and a few in-place buffer transforms.
//
// An RGB buffer is width * height * 3 bytes, rows top-down without padding, pixels red, green,
// blue. Buffers returned here belong to the caller.
//
// Files are written as baseline JFIF 1.01 (no density unit, 1 x 1), Y sampled 2 x 1 and Cb, Cr
// 1 x 1, standard tables, one restart marker per width / 16 MCUs. Every call owns its codec, so
// calls on different threads do not interfere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "durablefile.h"
#include "messageboxes.h"

namespace tavo {

class JpegFile {
 public:
  // Files larger than this are refused unread.
  static constexpr std::uint64_t kMaxFileBytes = 64ull << 20;
  // Decoded pictures wider or taller than this, or whose buffer would exceed kMaxBufferBytes,
  // are refused; so are PadRows/UnpadRows results above kMaxBufferBytes.
  static constexpr std::uint32_t kMaxSide = 16384;
  static constexpr std::uint64_t kMaxBufferBytes = 256ull << 20;

  // Failure boxes ("JPEG Fatal Error", "JPEG Library Error", out of memory, can't open) go to
  // `boxes`.
  // `files` carries the file-system calls of the write side.
  explicit JpegFile(MessageBoxes& boxes, FileCalls& files = SystemFileCalls())
      : boxes_(boxes), files_(files) {}

  struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
  };

  // Decodes `path`. Returns the RGB buffer (greyscale files come out with R = G = B), or null on
  // failure. `width` and `height` are set to 0 at entry and hold the picture size once the header
  // was read (also when decoding fails later: test the buffer, not the size).
  // Null without a box: empty path, a file that cannot be opened, read or is no regular file, a
  // file over kMaxFileBytes, a picture over kMaxSide / kMaxBufferBytes, a picture that does not
  // decode to 1 or 3 components (CMYK), a picture of another size than `expected` when given
  // (refused by its header: the file is read only that far and nothing is decoded). Null with a
  // "JPEG Fatal Error" box: the codec gave up. A truncated or damaged stream still decodes, the
  // codec filling in what is missing, after one "JPEG Library Error" box.
  // The file is read once, only as far as the decoder gets.
  std::unique_ptr<std::uint8_t[]> JpegToRgb(const std::string& path, std::uint32_t& width,
                                            std::uint32_t& height,
                                            std::optional<PictureSize> expected = std::nullopt);

  // Decodes `path` reduced by the codec's DCT scaling, which skips most of the work of a full
  // decode: to the smallest of 1/8, 2/8, ... 8/8 of the picture's size that is at least `wantWidth`
  // x `wantHeight` (a 640 x 480 file asked for 79 x 60 comes out 80 x 60), or at full size when
  // the picture is no larger than asked. `width` and `height` are set to 0 at entry and hold the
  // decoded size once the header was read. Failures and boxes as JpegToRgb's.
  std::unique_ptr<std::uint8_t[]> JpegToRgbScaled(const std::string& path, std::uint32_t wantWidth,
                                                  std::uint32_t wantHeight, std::uint32_t& width,
                                                  std::uint32_t& height);

  // Encodes `rgb` to `path` at `quality` (clamped to 1..100) in the suite's fixed file format.
  // The file appears whole or not at all: written beside it as "<path>.xxxxxx", synced to the disk,
  // then renamed (see durablefile.h). By default it is created 0600 and never replaces a file
  // already under `path` (kNameTaken); `options` ask for a replacing copy in the user's mode.
  // kFailed, leaving any file under `path` as it was, when: `rgb` is null or the size is 0
  // (nothing shown); the codec fails or its output would exceed kMaxBufferBytes ("JPEG Library
  // Error" box); the file cannot be created, written, synced or renamed ("can't open <path>" /
  // "can't write <path>" on stderr).
  WriteResult WriteJpeg(const std::string& path, int quality, const std::uint8_t* rgb,
                        std::uint32_t width, std::uint32_t height,
                        const WriteOptions& options = {});
  // WriteJpeg, true only for kWritten.
  bool RgbToJpeg(const std::string& path, int quality, const std::uint8_t* rgb, std::uint32_t width,
                 std::uint32_t height, const WriteOptions& options = {}) {
    return WriteJpeg(path, quality, rgb, width, height, options) == WriteResult::kWritten;
  }

  // Test seam, process-wide: when set, asked before the encoder's output block grows to
  // `newSize` bytes; false makes that growth fail as if memory had run out. Null restores the
  // ordinary behaviour.
  using GrowthHook = bool (*)(std::size_t newSize);
  static void SetOutputGrowthHook(GrowthHook hook);

  // Reads only the header of `path`, and of the file only as far as the header. False when the
  // file cannot be opened or read ("JPEG :\nCan't open" box), is over kMaxFileBytes (no box) or is
  // no JPEG ("JPEG Fatal Error" box).
  bool ReadJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);

  // Exchanges byte 0 and byte 2 of every pixel. False for a null buffer.
  static bool SwapRedBlue(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);

  // Replaces every pixel by trunc(0.299 R + 0.587 G + 0.114 B). False for a null buffer.
  static bool MakeGray(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);

  // Copies packed rows into rows of `stride` = width * 3 rounded up to 4 bytes; the padding is
  // zeroed. Null for a null input, a result over kMaxBufferBytes, or when memory is short.
  static std::unique_ptr<std::uint8_t[]> PadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                 std::uint32_t height, std::uint32_t& stride);

  // Copies rows of `stride` bytes into a packed width * height * 3 buffer. Null for a null input,
  // a stride shorter than width * 3, a result over kMaxBufferBytes, or when memory is short.
  static std::unique_ptr<std::uint8_t[]> UnpadRows(const std::uint8_t* buffer, std::uint32_t width,
                                                   std::uint32_t stride, std::uint32_t height);

  // Turns the picture upside down in place. False for a null buffer.
  static bool FlipRows(std::uint8_t* buffer, std::uint32_t rowBytes, std::uint32_t height);

 private:
  std::unique_ptr<std::uint8_t[]> DecodeFile(const std::string& path, const PictureSize* expected,
                                             const PictureSize* scaledTo, std::uint32_t& width,
                                             std::uint32_t& height);

  MessageBoxes& boxes_;
  FileCalls& files_;
};

}  // namespace tavo
