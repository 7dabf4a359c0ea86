// Skin bitmap files are untrusted: any bytes must load or fail, never read out of bounds.
#include <cstddef>
#include <cstdint>
#include <span>

#include "skinbitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QImage image;
  if (tavo::DecodeSkinBitmap(std::span<const std::uint8_t>(data, size), image)) {
    // Touch every decoded pixel so a bad row pointer shows up here.
    volatile unsigned sum = 0;
    for (int y = 0; y < image.height(); ++y) sum = sum + image.constScanLine(y)[0];
  }
  return 0;
}
