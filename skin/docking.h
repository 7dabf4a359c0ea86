// Docking of satellite windows to a control bar and to each other, as plain steps over
// rectangles and points: whether a window being moved snaps onto a target's edge, where a docked
// chain goes when the bar moves, and the docking places of a laid-out set. No window is needed, so
// a program's docking rules are built and tested from these alone.
#pragma once

#include <QPoint>
#include <QRect>

namespace tavo {

// A satellite's docking state. The numbers are those the windows keep; 2 means "above the bar"
// for the preview window and "under the other dialog" for a dialog.
enum class DockState : int {
  kFree = 0,
  kAboveBar = 2,      // the preview window, its bottom on the bar's top
  kUnderDialog = 2,   // a dialog hanging under the other dialog
  kUnderBar = 3,      // a dialog, its top on the bar's bottom
  kUnderPreview = 4,  // a dialog under the free preview window
};

// A snap happens when the satellite's edge is less than 15 pixels from the target's and its left
// less than 300 pixels from the target's left; the left is then aligned when less than 15 apart.
inline constexpr int kDockEdgeTolerance = 15;
inline constexpr int kDockLeftTolerance = 300;

// The preview window stands on the bar: 276 pixels high, its foot tested 272 below its top.
inline constexpr int kPreviewDockHeight = 276;
inline constexpr int kPreviewFootProbe = 272;
// A dialog hanging under the other one starts this far below the bar's bottom.
inline constexpr int kDialogChainStep = 114;

// A target's docking edge: the line (a y coordinate) the satellite snaps to, and its left.
struct DockEdge {
  int line = 0;
  int left = 0;
};
// The line under a window (its bottom, y + height) and the line on top of it (its top).
DockEdge BottomEdge(const QRect& window);
DockEdge TopEdge(const QRect& window);

// How a satellite meets an edge: which of its lines is tested (`probe` pixels below its top) and
// where its top goes when it docks (`place` pixels from the edge's line).
struct EdgeFit {
  int probe = 0;
  int place = 0;
};
// A dialog hangs with its top on the line; the preview window stands with its foot on it.
inline constexpr EdgeFit kHangUnder{0, 0};
inline constexpr EdgeFit kStandOn{kPreviewFootProbe, -kPreviewDockHeight};

struct DockSnap {
  bool docked = false;
  QPoint position;  // the candidate, moved onto the edge (and aligned left) when docked
};

// Whether two coordinates are close enough to snap: |a - b| below `tolerance`.
bool WithinTolerance(int a, int b, int tolerance);

// A satellite is about to move its top-left corner to `candidate`: snaps it onto `edge` when its
// tested line is within 15 pixels of the edge's line and its left within 300 pixels of the
// edge's left; the left is aligned with the edge's when within 15 pixels. Not docked: the
// candidate unchanged.
DockSnap SnapToEdge(QPoint candidate, DockEdge edge, EdgeFit fit = kHangUnder);

// The bar moved from `from` to `to`: where a satellite docked at `position` goes, moved by the
// same distance.
QPoint FollowMove(QPoint position, QPoint from, QPoint to);

// The docking places around a bar whose window rectangle is `bar`: under it, under the dialog
// that hangs under it, and above it for the preview window. A window beside the bar's right edge
// at its top (a side panel).
QPoint PlaceUnderBar(const QRect& bar);
QPoint PlaceUnderDialog(const QRect& bar);
QPoint PlaceAboveBar(const QRect& bar);
QPoint PlaceBeside(const QRect& bar);

}  // namespace tavo
