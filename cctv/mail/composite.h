// The 16-to-1 composite of the mail alerts: the 16 newest images of a run, each shrunk to a
// quarter of its area, laid out 4 by 4 in one 640 x 480 JPEG.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "messageboxes.h"
#include "stringtable.h"

namespace tavo::cctv {

inline constexpr std::uint32_t kSourceWidth = 320;
inline constexpr std::uint32_t kSourceHeight = 240;
inline constexpr std::uint32_t kCompositeWidth = 640;
inline constexpr std::uint32_t kCompositeHeight = 480;
inline constexpr int kCompositeTiles = 16;
inline constexpr int kCompositeQuality = 75;

// Full path of image `n` of `folder`, or empty when there is none (RecordingStore's
// FindImageByCounter).
using ImageFinder = std::function<std::string(const std::string& folder, int n)>;

// "mailFolder/Email16to1_%05d.jpg".
std::string CompositeFileName(const std::string& mailFolder, int compositeCounter);

// Copies every even pixel of every even row of a 320 x 240 RGB image into tile `tile` (0..15,
// column tile % 4, row tile / 4) of a 640 x 480 RGB composite.
void PlaceTile(const std::uint8_t* source, int tile, std::uint8_t* composite);

class CompositeBuilder {
 public:
  // Boxes and texts (message 3014) go through `boxes` in the language of `strings`.
  CompositeBuilder(MessageBoxes& boxes, const StringTable& strings, ImageFinder findImage);

  // Combines images imageCounter - 15 .. imageCounter of `runFolder`, oldest at the top left, and
  // writes the composite numbered compositeCounter + 1 into `mailFolder` at quality 75, as a new
  // private file (0600) synced to the disk; a number another recorder sharing the folder holds is
  // passed over. True with `compositeCounter` advanced to the number written and `compositePath`
  // set. False after message 3014 when an image is
  // missing, unreadable or not 320 x 240, or the composite cannot be written; nothing is left
  // behind and both outputs keep their values.
  bool BuildComposite(const std::string& runFolder, const std::string& mailFolder, int imageCounter,
                      int& compositeCounter, std::string& compositePath);

 private:
  MessageBoxes& boxes_;
  const StringTable& strings_;
  ImageFinder findImage_;
};

}  // namespace tavo::cctv
