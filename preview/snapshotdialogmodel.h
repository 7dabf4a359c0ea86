// The snapshot dialog's rules without its window: where a press lands (slider, buttons, thumbnail
// slots, in that order), the slider thumb's arithmetic, scrolling, the thumb after a new
// snapshot, the position label, and the viewer's two layouts. The dialog and the viewer carry out
// what these say; tests drive them with a store and no display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <string>

#include "snapshotstore.h"

namespace tavo::preview {

// Window messages (Qt event types) between the dialogs: the viewer's Cancel tells the dialog.
inline constexpr int WM_SNAPSHOT_VIEWER_CLOSED = 1926;
// The first parameter the closing dialog and viewer send.
inline constexpr int kClosedByButton = 2;

// Messages of the snapshot dialog and its viewer.
inline constexpr int kMsgBitmapReadFailure = 3076;
inline constexpr int kMsgViewerRenderFailure = 3074;

inline constexpr int kSnapshotDialogWidth = 332;
inline constexpr QPoint kStripOnDialog{6, 20};
inline constexpr QRect kSliderTrack{20, 85, 292, 12};
inline constexpr QSize kSliderThumbSize{50, 12};
inline constexpr QRect kPositionLabel{122, 100, 63, 12};
// The label's colours: white on the face's dark grey.
inline constexpr std::array<int, 3> kLabelGround{42, 41, 41};

// The thumb's centre, in client pixels.
inline constexpr float kThumbOpen = 46.0f;
inline constexpr float kThumbMin = 45.0f;
inline constexpr float kThumbMax = 286.0f;

// The dialog's painted buttons, numbered as it numbers them.
enum SnapshotDialogButton : int {
  kSnapSave = 1,
  kSnapDelete = 2,
  kSnapTake = 3,
  kSnapLeft = 4,
  kSnapRight = 5,
  kSnapClose = 6,
};

struct SnapshotDialogButtonFace {
  int id;
  QRect hitArea;  // inclusive ranges, as QRect holds them
  QRect faceArea;
  const char* hoverFile;  // nullptr: no hover face
  const char* pressedFile;
};
// In the order they are tested: Save, Delete, Snap, Left, Right, Close.
const std::array<SnapshotDialogButtonFace, 6>& SnapshotDialogButtons();

inline constexpr const char* kSnapshotDialogFolder = "/SnapShotDlg";
inline constexpr const char* kSnapshotDialogFace = "/snapshot_bg.bmp";
inline constexpr const char* kSliderTrackFile = "/slide_bg.bmp";
inline constexpr const char* kSliderThumbFile = "/SliderThumb.bmp";

// Where a left-button press lands, tested in this order: the slider, then the buttons, then the
// thumbnail slots; anything else drags the dialog.
enum class PressKind { kSlider, kButton, kSlot, kElsewhere };
struct PressTarget {
  PressKind kind = PressKind::kElsewhere;
  int id = 0;  // the button, or the slot 1..4
};
PressTarget TargetOfPress(QPoint point, std::uint32_t snapshotCount);

// The slider takes a press at 22 <= x <= 311, 70 < y <= 97, and a drag with the left button at
// 22 <= x <= 331, 70 < y < 100.
bool SliderTakesPress(QPoint point);
bool SliderTakesDrag(QPoint point);
// The button whose hit area holds `point`, first in the table's order; 0 for none.
int SnapshotDialogButtonAt(QPoint point);
// The thumbnail slot (1..4) under `point` when at least that many snapshots exist; 0 otherwise
// (also in the one-pixel gaps between the slots).
int SlotAt(QPoint point, std::uint32_t snapshotCount);
// A double click opens the viewer only inside the strip: 6 < x <= 326, 21 < y <= 80.
bool InDoubleClickStrip(QPoint point);
// The thumb's left edge for its centre `thumbX`, truncated.
int ThumbLeft(float thumbX);

class SnapshotDialogModel {
 public:
  // Works on `store`, which must outlive it. The thumb starts at 46.
  explicit SnapshotDialogModel(SnapshotStore& store);

  float thumbX() const { return thumbX_; }
  // A press or drag at client x: the thumb's centre there, within 45..286.
  void SetThumbX(int x);

  // The strip follows the thumb: with more than four snapshots the thumb settles on the nearest
  // of the (count - 4) + 1 places and the strip ends at the snapshot of that place; with four or
  // fewer the thumb goes to the left end. Nothing without snapshots.
  void ApplySlider();
  // One step of the strip towards the older (left) or newer (right) snapshots. With four or fewer
  // only the thumb moves, to its end. Otherwise the strip moves by one snapshot while the thumb is
  // more than half a step from its end, and the thumb moves by one step with it.
  void ScrollLeft();
  void ScrollRight();
  // A snapshot was stored: the thumb stands for the strip end's place among all snapshots.
  void AfterStored();

  // The snapshot thumbnail slot `slot` (1..4) shows; 0 when it shows a placeholder.
  std::uint32_t SlotNumber(int slot) const;
  // Selects what `slot` shows when at least `slot` snapshots exist; false when nothing was there.
  bool SelectSlot(int slot);

  // "<position of the selected snapshot> / <count>", 0 for the position when there is none.
  std::string Label() const;

 private:
  // Position (1-based) of `number` in the list; 0 when not listed.
  std::size_t PositionOf(std::uint32_t number) const;
  void Scroll(bool right);

  SnapshotStore& store_;
  float thumbX_ = kThumbOpen;
};

// The viewer's layout for a snapshot of `width` x `height`: the large one for 640 x 480, the small
// one for anything else.
struct ViewerLayout {
  bool large = false;
  QSize window;
  QRect pictureArea;  // in the window, where the memory bitmap's part is copied
  QPoint save;
  QPoint cancel;
  const char* faceFile;
};
ViewerLayout ViewerLayoutFor(int width, int height);

inline constexpr QSize kViewerButtonSize{54, 15};
inline constexpr int kViewerSaveControl = 1018;
inline constexpr int kViewerCancelControl = 1006;
inline constexpr const char* kViewerFolder = "/SnapViewer";
inline constexpr const char* kViewerSaveFile = "/save_up.bmp";
inline constexpr const char* kViewerCancelFile = "/Cancel_up.bmp";

// Where a snapshot of `width` x `height` is drawn in the viewer's 640 x 480 memory bitmap: in its
// own size at the corner for 640 x 480 and 320 x 240, centred in the 320 x 240 area for
// 160 x 120, and any other size fitted to the 320 x 240 area.
QRect ViewerPictureRect(int width, int height);

}  // namespace tavo::preview
