// How TavoPreview's satellites (the preview window, the snapshot dialog, the configuration
// dialog) dock to its control bar and to each other: the follow-on moves when the bar moves, snap
// detection, docking, the double-click re-dock and the layout when a dialog opens or closes.
// Window-free: the windows report their rectangles and moves, and place themselves where this
// says. Screen coordinates throughout.
#pragma once

#include <QPoint>
#include <QRect>

#include <array>
#include <optional>

#include "docking.h"

namespace tavo::preview {

enum class Satellite : int { kPreview = 0, kSnapshot = 1, kConfig = 2 };
inline constexpr int kSatelliteCount = 3;

inline constexpr int kBarWidth = 332;
inline constexpr int kBarHeight = 63;
inline constexpr int kPreviewWidth = 332;
inline constexpr int kPreviewHeight = 276;
inline constexpr int kPreviewWideWidth = 664;
inline constexpr int kPreviewWideHeight = 516;
inline constexpr int kSnapshotDialogHeight = 114;
inline constexpr int kConfigDialogHeight = 115;

struct SatelliteState {
  bool open = false;      // the window exists (the preview window: the preview runs)
  QRect rect;             // its window rectangle, as last placed or reported
  DockState dock = DockState::kFree;
  bool candidate = false;  // snap detected on the bar's move, docked on its position change
};

// A window to move: which, and where its top-left corner goes.
struct Placement {
  Satellite which;
  QPoint at;
};

class PreviewDocking {
 public:
  // The bar and the preview window as a new run starts them, all on the screen `screen`
  // (available geometry): the preview window docked above the bar with its top at the screen's
  // top, the bar under it; at 640 x 480 the wide preview window at the screen's top-left and the
  // bar below it, so nothing covers the picture.
  void Start(const QRect& screen, bool wide);

  // The bar's rectangle now (after a move the window system made, or at start).
  const QRect& bar() const;
  const SatelliteState& state(Satellite s) const;
  // The preview runs at 640 x 480: the bar never moves the preview window then.
  void SetWide(bool wide);
  bool wide() const;

  // A satellite was created (docked where it starts: the preview window above the bar, a dialog
  // free until placed) or destroyed.
  void Opened(Satellite s, const QRect& rect, DockState dock);
  void Closed(Satellite s);

  // The bar moved from its last rectangle to `to`: the satellites docked to it follow (rule of
  // the follow-on chain) and the others are tested for a snap (candidates). Returns the moves.
  std::array<std::optional<Placement>, kSatelliteCount> BarMoved(const QRect& to);
  // The bar's position change settled: the candidates dock. Returns the moves that docking makes.
  std::array<std::optional<Placement>, kSatelliteCount> BarPositionChanged();

  // A satellite is about to move itself (dragged) to `candidate`: first free, then snapped onto
  // its targets (the preview window onto the bar's top; the snapshot dialog onto the bar, the
  // preview window and the configuration dialog; the configuration dialog onto the bar, the free
  // preview window and the snapshot dialog; a later match wins). Returns where it goes and
  // records its new state and rectangle.
  QPoint SatelliteMoving(Satellite s, QPoint candidate, QSize size);

  // Double click on the bar: every open satellite at its docking place.
  std::array<std::optional<Placement>, kSatelliteCount> Redock();
  // A dialog opened or closed: the satellites laid out again from their states.
  std::array<std::optional<Placement>, kSatelliteCount> Layout();

 private:
  QRect bar_;
  bool wide_ = false;
  std::array<SatelliteState, kSatelliteCount> satellites_{};
};

}  // namespace tavo::preview
