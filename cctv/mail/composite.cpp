#include "mail/composite.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "jpegfile.h"
#include "mail/mailstrings.h"

namespace tavo::cctv {

namespace {

constexpr std::uint32_t kTileWidth = kSourceWidth / 2;
constexpr std::uint32_t kTileHeight = kSourceHeight / 2;
constexpr std::size_t kCompositeStride = kCompositeWidth * 3;
constexpr std::size_t kSourceStride = kSourceWidth * 3;
// Names tried after the expected one is found taken.
constexpr int kNameAttempts = 16;

}  // namespace

std::string CompositeFileName(const std::string& mailFolder, int compositeCounter) {
  char name[32];
  std::snprintf(name, sizeof name, "/Email16to1_%05d.jpg", compositeCounter);
  return mailFolder + name;
}

void PlaceTile(const std::uint8_t* source, int tile, std::uint8_t* composite) {
  std::uint8_t* target = composite +
                         static_cast<std::size_t>(tile / 4) * kTileHeight * kCompositeStride +
                         static_cast<std::size_t>(tile % 4) * kTileWidth * 3;
  for (std::uint32_t y = 0; y < kTileHeight; ++y) {
    const std::uint8_t* from = source + 2 * y * kSourceStride;
    std::uint8_t* to = target + y * kCompositeStride;
    // No averaging: the pixel at (2x, 2y) stands for its four.
    for (std::uint32_t x = 0; x < kTileWidth; ++x, from += 6, to += 3) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
}

CompositeBuilder::CompositeBuilder(MessageBoxes& boxes, const StringTable& strings,
                                   ImageFinder findImage)
    : boxes_(boxes), strings_(strings), findImage_(std::move(findImage)) {}

bool CompositeBuilder::BuildComposite(const std::string& runFolder, const std::string& mailFolder,
                                      int imageCounter, int& compositeCounter,
                                      std::string& compositePath) {
  const auto fail = [&] {
    ShowString(boxes_, strings_, kMsgCompositeUnreadable);
    return false;
  };
  const int first = imageCounter - (kCompositeTiles - 1);
  if (first < 1) return fail();

  JpegFile jpeg(boxes_);
  auto composite =
      std::make_unique<std::uint8_t[]>(std::size_t{kCompositeWidth} * kCompositeHeight * 3);
  for (int tile = 0; tile < kCompositeTiles; ++tile) {
    const std::string path = findImage_ ? findImage_(runFolder, first + tile) : std::string();
    if (path.empty()) return fail();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Another size is refused by its header, before decoding; decoded, it would have the shrink
    // read outside the buffer.
    const auto image =
        jpeg.JpegToRgb(path, width, height, JpegFile::PictureSize{kSourceWidth, kSourceHeight});
    if (!image || width != kSourceWidth || height != kSourceHeight) return fail();
    PlaceTile(image.get(), tile, composite.get());
  }

  // A new private file; a name another recorder in the same run holds is passed over.
  for (int number = compositeCounter + 1, attempt = 0; attempt < kNameAttempts;
       ++number, ++attempt) {
    const std::string path = CompositeFileName(mailFolder, number);
    switch (jpeg.WriteJpeg(path, kCompositeQuality, composite.get(), kCompositeWidth,
                           kCompositeHeight)) {
      case WriteResult::kWritten:
        compositeCounter = number;
        compositePath = path;
        return true;
      case WriteResult::kNameTaken:
        continue;
      case WriteResult::kFailed:
        return fail();
    }
  }
  return fail();
}

}  // namespace tavo::cctv
