// TavoPreview's preview window: the skinned tool window above the control bar that holds the video
// control the capture graph's renderer draws into. It paints its face for the resolution in use,
// is dragged by any point, and snaps onto the bar through PreviewDocking whenever it moves.
#pragma once

#include <QImage>
#include <string>

#include "messageboxes.h"
#include "previewdocking.h"
#include "satellitewindow.h"
#include "stringtable.h"

namespace tavo::preview {

// "Preview Dalog image load failure": a face picture of the preview window did not load.
inline constexpr int kMsgPreviewImageLoadFailure = 3083;

// The resolutions by their index: 1 = 640 x 480, 2 = 320 x 240, 3 = 160 x 120.
inline constexpr int kResolutionWide = 1;
inline constexpr int kResolutionNormal = 2;
inline constexpr int kResolutionSmall = 3;

// Where the video control sits for `resolutionIndex`, in the window's client coordinates; an
// index out of range counts as 320 x 240.
QRect VideoControlPlace(int resolutionIndex);

class PreviewWindow final : public SatelliteWindow {
  Q_OBJECT
 public:
  // A tool window owned by the control bar `bar` (it goes with it), 332 x 276 at 320 x 240,
  // hidden until placed. Loads "viewer_bg.bmp" and "viewer_bg_640.bmp" from the "/Bg" folder of
  // the skin folder of `strings`' language below `programFolder`; when either fails, shows string
  // 3083 through `boxes` once and paints black where that face would be. Its own moves go through
  // `docking` (SatelliteMoving); the window neither opens nor closes the preview window there,
  // which is the controller's part. `docking` must outlive the window.
  PreviewWindow(QWidget* bar, PreviewDocking& docking, const std::string& programFolder,
                MessageBoxes& boxes, const StringTable& strings);

  // The geometry for `resolutionIndex` (1, 2 or 3; others count as 2): at 640 x 480 the window
  // is 664 x 516 at the top-left of the bar's screen, and the bar moves out from under it; else
  // 332 x 276 where it is. The video control moves to its place and the face changes. Tells
  // `docking` whether the preview is wide.
  void SetResolution(int resolutionIndex);
  int resolution() const { return resolution_; }

  // The control the capture graph's renderer draws into (the graph's video window). Hidden until
  // the preview runs; black where no frame is drawn.
  QWidget* videoControl() const { return video_; }

  // Moves the window to `at`, as a docking step placed it, and shows it without taking focus.
  void PlaceAt(QPoint at);

  // Face pictures that loaded: the 332 x 276 and the 664 x 516 one.
  bool faceLoaded() const { return faceLoaded_; }

 protected:
  void moveEvent(QMoveEvent* event) override;

 private:
  void LoadFaces(const std::string& programFolder, const std::string& uiLanguage);
  // Tells the docking where the window is and how big; moves it where that snaps it.
  void ReportGeometry();

  PreviewDocking& docking_;
  QWidget* video_ = nullptr;
  QImage face_;      // viewer_bg.bmp, 332 x 276
  QImage faceWide_;  // viewer_bg_640.bmp, 664 x 516
  bool faceLoaded_ = false;
  int resolution_ = kResolutionNormal;
};

}  // namespace tavo::preview
