// libjpeg called directly, past JpegFile: to make files our writer never makes (grey, CMYK,
// progressive) and to read what a written file says about itself. libjpeg's own error handler
// ends the process, which only a broken test can provoke.
#pragma once

#include <jpeglib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tavo::testing {

// How to encode; every default is libjpeg's own, so only what a caller sets differs from it.
struct RawJpegFormat {
  int components = 3;
  J_COLOR_SPACE space = JCS_RGB;
  bool progressive = false;
  int quality = 75;
  // Sampling factors of the first (luma) component; 0 keeps libjpeg's choice for the colour space.
  int lumaHorizontal = 0;
  int lumaVertical = 0;
  // MCUs between restart markers; 0 writes none.
  unsigned restartInterval = 0;
};

// Encodes `pixels` (rows top-down, `format.components` bytes each) in memory and hands the stream
// to `use(const std::uint8_t* data, std::size_t size)` while libjpeg still holds it, so a caller
// that only writes it out copies nothing.
template <typename Use>
void EncodeRawJpegWith(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                       const RawJpegFormat& format, Use&& use) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = format.components;
  c.in_color_space = format.space;
  jpeg_set_defaults(&c);
  if (format.lumaHorizontal > 0) c.comp_info[0].h_samp_factor = format.lumaHorizontal;
  if (format.lumaVertical > 0) c.comp_info[0].v_samp_factor = format.lumaVertical;
  jpeg_set_quality(&c, format.quality, TRUE);
  c.restart_interval = format.restartInterval;
  if (format.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  const std::size_t rowBytes = std::size_t{width} * static_cast<std::size_t>(format.components);
  while (c.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPLE*>(pixels + c.next_scanline * rowBytes);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  use(static_cast<const std::uint8_t*>(out), std::size_t{size});
  std::free(out);
}

// The JPEG stream of `pixels` (rows top-down, `format.components` bytes each).
inline std::vector<std::uint8_t> EncodeRawJpeg(const std::uint8_t* pixels, std::uint32_t width,
                                               std::uint32_t height,
                                               const RawJpegFormat& format = {}) {
  std::vector<std::uint8_t> stream;
  EncodeRawJpegWith(pixels, width, height, format, [&](const std::uint8_t* data, std::size_t size) {
    stream.assign(data, data + size);
  });
  return stream;
}

// A file's header as libjpeg reads it, APP0 markers kept; released at scope end.
class RawJpegHeader {
 public:
  explicit RawJpegHeader(std::vector<std::uint8_t> file) : file_(std::move(file)) {
    d_.err = jpeg_std_error(&err_);
    jpeg_create_decompress(&d_);
    jpeg_save_markers(&d_, JPEG_APP0, 0xFFFF);
    jpeg_mem_src(&d_, file_.data(), file_.size());
    status_ = jpeg_read_header(&d_, TRUE);
  }
  ~RawJpegHeader() { jpeg_destroy_decompress(&d_); }
  RawJpegHeader(const RawJpegHeader&) = delete;
  RawJpegHeader& operator=(const RawJpegHeader&) = delete;

  // jpeg_read_header's result: JPEG_HEADER_OK for a whole header.
  int status() const { return status_; }
  const jpeg_decompress_struct& info() const { return d_; }

 private:
  std::vector<std::uint8_t> file_;  // libjpeg reads from it until destroyed
  jpeg_decompress_struct d_{};
  jpeg_error_mgr err_{};
  int status_ = 0;
};

}  // namespace tavo::testing
