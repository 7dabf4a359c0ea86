// Kept apart from the store so that programs and tests that hand in their own writer do not pull
// in the codec.
#include "jpegfile.h"
#include "recordingstore.h"

namespace tavo::cctv {

JpegWriter JpegFileWriter(MessageBoxes& boxes) {
  return [&boxes](const std::string& path, int quality, const std::uint8_t* rgb,
                  std::uint32_t width, std::uint32_t height) {
    return JpegFile(boxes).RgbToJpeg(path, quality, rgb, width, height);
  };
}

}  // namespace tavo::cctv
