// The floor for our encoder: libjpeg-turbo called directly with the suite's file settings, the
// stream built in memory and written with one write.
#pragma once

#include <jpeglib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavo::bench {

inline void DirectEncode(const std::string& path, const std::uint8_t* rgb, std::uint32_t width,
                         std::uint32_t height) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(&c, 75, TRUE);
  c.restart_interval = width / 16;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPLE*>(rgb + std::size_t{c.next_scanline} * width * 3);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(out, 1, size, f) != size || std::fclose(f) != 0) std::abort();
  std::free(out);
}

}  // namespace tavo::bench
