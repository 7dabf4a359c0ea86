// Feeds arbitrary bytes to the JPEG reader through a real file, as the programs do.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "filehandle.h"
#include "jpegfile.h"

namespace {

class DiscardingBoxes final : public tavo::MessageBoxes {
 public:
  void Show(const std::string&, tavo::MessageIcon, const std::string&) override {}
};

std::string InputPath() {
  std::string pattern = "/tmp/jpeg_fuzz_XXXXXX";
  const tavo::UniqueFd file(::mkstemp(pattern.data()));
  if (!file.valid()) std::abort();
  return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One file per process, rewritten for every input; removed at exit.
  static const std::string path = InputPath();
  static const bool removeAtExit = std::atexit([] { ::unlink(path.c_str()); }) == 0;
  (void)removeAtExit;

  {
    const tavo::FilePtr f = tavo::OpenFile(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f.get()) != size) std::abort();
  }

  DiscardingBoxes boxes;
  tavo::JpegFile jpeg(boxes);
  std::uint32_t width = 0, height = 0;
  const bool sized = jpeg.ReadJpegSize(path, width, height);
  // Huge declared sizes decode slowly without finding anything new; the unit tests cover the
  // size guards.
  if (sized && std::uint64_t{width} * height > (1u << 20)) return 0;
  auto rgb = jpeg.JpegToRgb(path, width, height);
  if (rgb) {
    // Touch every byte so a short buffer shows up under ASan.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < std::size_t{width} * height * 3; ++i) sum += rgb[i];
    if (sum == 0xFFFFFFFFu) std::abort();
  }
  return 0;
}
