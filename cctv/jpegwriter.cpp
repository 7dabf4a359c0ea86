// Kept apart from the store so that programs and tests that hand in their own writer do not pull
// in the codec.
#include "jpegfile.h"
#include "recordingstore.h"

namespace tavo::cctv {

JpegWriter JpegFileWriter(MessageBoxes& boxes, FileCalls& files) {
  return [&boxes, &files](const std::string& path, int quality, const std::uint8_t* rgb,
                          std::uint32_t width, std::uint32_t height, const WriteOptions& options) {
    return JpegFile(boxes, files).WriteJpeg(path, quality, rgb, width, height, options);
  };
}

}  // namespace tavo::cctv
