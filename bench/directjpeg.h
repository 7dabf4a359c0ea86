// The floor for our codec: libjpeg-turbo called directly. Encoding uses the suite's file settings,
// builds the stream in memory and writes it with one write; decoding reads a stream in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "filehandle.h"
#include "raw_jpeg.h"

namespace tavo::bench {

// Ends the process when the file cannot be written: a benchmark without its file measures nothing.
inline void DirectEncode(const std::string& path, const std::uint8_t* rgb, std::uint32_t width,
                         std::uint32_t height) {
  const testing::RawJpegFormat suite{
      .quality = 75, .lumaHorizontal = 2, .lumaVertical = 1, .restartInterval = width / 16};
  testing::EncodeRawJpegWith(rgb, width, height, suite,
                             [&](const std::uint8_t* data, std::size_t size) {
                               FilePtr file = OpenFile(path.c_str(), "wb");
                               if (!file || std::fwrite(data, 1, size, file.get()) != size ||
                                   std::fclose(file.release()) != 0)
                                 std::abort();
                             });
}

// libjpeg's decompressor over a whole stream in memory, past the header and started; released at
// scope end. `file` must outlive it. libjpeg's own error handler ends the process on a broken
// stream, which only a broken benchmark can hand in.
class DirectDecoder {
 public:
  explicit DirectDecoder(const std::vector<std::uint8_t>& file) {
    d_.err = jpeg_std_error(&err_);
    jpeg_create_decompress(&d_);
    jpeg_mem_src(&d_, file.data(), file.size());
    jpeg_read_header(&d_, TRUE);
    jpeg_start_decompress(&d_);
  }
  ~DirectDecoder() {
    // Finishing early is an error to libjpeg; a benchmark that stops early only lets go.
    if (done()) jpeg_finish_decompress(&d_);
    jpeg_destroy_decompress(&d_);
  }
  DirectDecoder(const DirectDecoder&) = delete;
  DirectDecoder& operator=(const DirectDecoder&) = delete;

  std::uint32_t width() const { return d_.output_width; }
  std::uint32_t height() const { return d_.output_height; }
  int components() const { return d_.output_components; }
  // The row ReadRow decodes next, counted from the top.
  std::uint32_t nextRow() const { return d_.output_scanline; }
  bool done() const { return d_.output_scanline >= d_.output_height; }

  // Decodes the next row into `row`, width() * components() bytes.
  void ReadRow(std::uint8_t* row) {
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&d_, rows, 1);
  }

 private:
  jpeg_decompress_struct d_{};
  jpeg_error_mgr err_{};
};

}  // namespace tavo::bench
