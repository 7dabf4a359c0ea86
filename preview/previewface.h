// The skin of TavoPreview's control bar: its 18 picture files in loading order, the seven painted
// buttons with their hit rectangles and faces, the faces that show state, and the tooltip areas.
// Plain tables, shared by the bar and its tests.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <array>
#include <string>

namespace tavo::preview {

inline constexpr int kBarSkinFileCount = 18;
inline constexpr const char* kBarSkinFolder = "/Main";

// Indices into the bar's pictures, in loading order.
enum BarPicture : int {
  kMainBg,
  kSnapshotUp,
  kSnapshotFocus,
  kPlayUp,
  kPlayDown,
  kPlayFocus,
  kStopUp,
  kStopDown,
  kStopFocus,
  kConfigUp,
  kConfigFocus,
  kPinOffUp,
  kPinOffDown,
  kPinOnUp,
  kPinOnDown,
  kMinimiseDown,
  kExitDown,
  kHelpDown,
};
// No picture: a button without that face.
inline constexpr int kNoFace = -1;

// File names below the skin folder's "/Main", in loading order.
const std::array<const char*, kBarSkinFileCount>& BarSkinFiles();

struct BarPictures {
  std::array<QImage, kBarSkinFileCount> images;
  int loaded = 0;  // pictures loaded before the first failure
  bool complete() const { return loaded == kBarSkinFileCount; }
  // Picture `i`, or a null picture when it was not loaded (or is kNoFace).
  const QImage& Face(int i) const;
};

// Loads the pictures of `uiLanguage` from `programFolder` in order, stopping at the first file
// that fails.
BarPictures LoadBarPictures(const std::string& programFolder, const std::string& uiLanguage);

// A painted button of the bar. The three large buttons take a point when left <= x <= right and
// top < y <= bottom, the four small ones when top <= y <= bottom: `hitArea` holds exactly those
// points (QRect's inclusive ranges).
struct BarButton {
  int id;  // Button
  QRect hitArea;
  QRect faceArea;  // where the hover and pressed faces are drawn, and repainted
  int hoverFace;   // BarPicture or kNoFace
  int pressedFace;
};
// In the bar's test order: snapshot, preview, configuration, help, pin, minimise, exit.
const std::array<BarButton, 7>& BarButtons();

// A button whose faces show a state: picture [0] while the state is off, [1] while it is on,
// painted at `at` over the background at rest.
struct StateFaces {
  int button;
  QPoint at;
  std::array<int, 2> rest;
  std::array<int, 2> hover;
  std::array<int, 2> pressed;
};
extern const StateFaces kPreviewFaces;  // on: the preview's graph is built
extern const StateFaces kPinFaces;      // on: the bar is not pinned on top

struct TooltipArea {
  int string;
  QRect area;  // the points it covers
};
const std::array<TooltipArea, 4>& BarTooltips();

// The text of the About box.
inline constexpr const char* kAboutText = "TavoPreview 2.0";

// The program's icon, drawn rather than loaded, so that it is there even without skins.
QIcon PreviewIcon();

}  // namespace tavo::preview
