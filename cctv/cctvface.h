// The skin of TavoCCTV's main window: its 42 picture files in loading order, the painted buttons
// with their rectangles, and the tooltip areas. Plain tables, shared by the window and its tests.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>

namespace tavo::cctv {

inline constexpr int kSkinFileCount = 42;

// Indices into the skin pictures, in loading order.
enum SkinPicture : int {
  kBgNormal,
  kBgViewer,
  kViewerDown,
  kViewerFoc,
  kStartUp,
  kStartDown,
  kStartFoc,
  kTakePictureSign,
  kExitDown,
  kMinimiseDown,
  kHelpDown,
  kStopUp,
  kStopDown,
  kStopFoc,
  kConfigDown,
  kConfigFoc,
  kCrtDown,
  kLcdDown,
  kAdjustDown,
  kAdjustFoc,
  kPinOffUp,
  kPinOffDown,
  kPinOnUp,
  kPinOnDown,
  kCheckOn,
  kCheckOff,
  kSliderThumb,
  kSlideBg,
  kSlideFoc,
  kSlideDown,
  kSlideNor,
  kSlideStopFoc,
  kSlideStopDown,
  kSlideStopNor,
  kSpeedRowDown,
  kSpeedRowFoc,
  kSpeedHiDown,
  kSpeedHiFoc,
  kLeftDown,
  kLeftFoc,
  kRightDown,
  kRightFoc,
};

// Window folder and file name of each picture, below the skin folder.
struct SkinFile {
  const char* folder;
  const char* file;
};
const std::array<SkinFile, kSkinFileCount>& SkinFiles();

struct SkinPictures {
  std::array<QImage, kSkinFileCount> images;
  int loaded = 0;  // pictures loaded before the first failure
  bool complete() const { return loaded == kSkinFileCount; }
  const QImage& operator[](int i) const { return images[static_cast<std::size_t>(i)]; }
};

// Loads the pictures of `uiLanguage` from `programFolder` in order, stopping at the first file
// that fails.
SkinPictures LoadSkinPictures(const std::string& programFolder, const std::string& uiLanguage);

// The tooltips: string number and area (inclusive pixel ranges).
struct TooltipArea {
  int string;
  QRect area;
};
const std::array<TooltipArea, 10>& Tooltips();
// The viewer's tooltip over the large picture, registered while the viewer is open.
inline const TooltipArea kSaveTip{3086, QRect(QPoint(6, 20), QPoint(326, 260))};

// The picture that stands in for an empty thumbnail slot and for the large picture of an empty
// run: 320 x 240, uniform grey, the program's name written across it in darker letters.
const QImage& ViewerPlaceholder();
// A viewer frame (320 x 240, blue, green, red, rows bottom-up) as an upright picture; null when
// it cannot be made.
QImage ViewerFrameImage(const std::uint8_t* frame);

}  // namespace tavo::cctv
