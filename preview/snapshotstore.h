// TavoPreview's snapshots of one run: numbered JPEG files in the program's Temp folder, the list
// of those that still exist, the one selected, and the strip of four thumbnails the snapshot
// dialog shows. Window-free: the strip is drawn into an image that the dialog copies to its face.
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messageboxes.h"
#include "savefiledialog.h"
#include "stringtable.h"

namespace tavo::preview {

// The preview's frame sizes by resolution index: 1 = 640 x 480, 2 = 320 x 240, 3 = 160 x 120.
struct FrameSize {
  int width = 0;
  int height = 0;
};
// 0 x 0 for another index.
FrameSize FrameSizeOf(int resolutionIndex);

// The strip: four slots of 79 x 60 at x = 0, 80, 160, 240.
inline constexpr int kStripWidth = 320;
inline constexpr int kStripHeight = 60;
inline constexpr int kThumbWidth = 79;
inline constexpr int kThumbHeight = 60;
inline constexpr int kSnapshotQuality = 75;

// Messages the store shows (TavoPreview's numbers).
inline constexpr int kMsgSnapshotFailure = 3019;
inline constexpr int kMsgRenderFailure = 3021;
inline constexpr int kMsgNothingToSave = 3081;
inline constexpr int kMsgDeleteNothing = 3080;
inline constexpr int kMsgDialogSaveFailure = 3079;
inline constexpr int kMsgViewerSaveFailure = 3072;

// The saved copy's offer in the save-file dialog.
inline constexpr char kSaveFilter[] = "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|";

// Snapshots whose thumbnails stay in memory (about 19 KB each, colour and grey); beyond them the
// longest unseen are dropped and decoded again when next shown.
inline constexpr std::size_t kMaxCachedThumbnails = 2048;

// A decoded snapshot as display code wants it: blue, green, red, rows bottom-up.
struct SnapshotPixels {
  std::vector<std::uint8_t> bgr;
  int width = 0;
  int height = 0;
};

class SnapshotStore {
 public:
  // `temporaryFolder` is programFolder + "/Temp" (created by the caller, or not: then no snapshot
  // can be written). Messages go to `boxes` with texts from `strings`; SaveSelectedAs asks
  // `saveDialog`. All must outlive the store.
  SnapshotStore(std::string temporaryFolder, MessageBoxes& boxes, const StringTable& strings,
                SaveFileDialog& saveDialog);
  ~SnapshotStore();

  // The resolution of the frames that arrive from now on (owned by the controller); 2 at first,
  // other indexes than 1 to 3 ignored.
  void SetResolutionIndex(int index);
  int resolutionIndex() const;

  // Called whenever the strip, the selection or the count changed (the snapshot dialog redraws,
  // moves its thumb and updates its label); none while no dialog is open, and then nothing is
  // drawn: the strip is drawn the next time it is asked for.
  void SetChangedHook(std::function<void()> changed);

  // A grabbed frame (blue, green, red, rows bottom-up, the current resolution's size; left as it
  // was): written as SnapShot<N>.jpg, listed, selected, the strip ending at it. A file of that
  // name left by an earlier run is replaced. With a changed hook set (a dialog shows it at once)
  // its thumbnail is made from the frame itself. A frame that cannot be written (disk full, folder
  // gone) or is not of the current size shows 3019 and lists nothing; its number is not given
  // out. False then.
  bool StoreGrabbedFrame(const std::uint8_t* frame, std::size_t bytes);

  // The dialog's Delete: every branch of the rules for the selected snapshot; 3080, and nothing
  // changed, when none is selected or its file cannot be deleted (also when it is already gone:
  // the entry stays). True when one was deleted.
  bool DeleteSelected();

  // Save of the selected snapshot (`image` none: decoded from its file) or of the pixels the
  // viewer shows, always encoded afresh, replacing a file the user agreed to overwrite and created
  // in the user's mode. False when cancelled (nothing shown) or failed (3081 when there is nothing
  // to save, also before asking when nothing is selected; 3079, or 3072 with `fromViewer`, when
  // the file cannot be written). `confirmed` tells whether the user chose a name.
  bool SaveSelectedAs(const SnapshotPixels* image, bool fromViewer, bool* confirmed = nullptr);

  // The strip of four thumbnails ending at stripEnd: the selected one in colour, the others grey,
  // empty slots and snapshots that cannot be decoded the placeholder of the current resolution.
  // Drawn when asked for after a change, from the thumbnail cache; a thumbnail that cannot be
  // rendered shows 3021 and leaves its slot as it was.
  const QImage& Strip();

  // Snapshot `number` decoded (colour, or grey), or nothing when it is not listed or its file
  // cannot be decoded (the codec's boxes shown).
  bool DecodeSnapshot(std::uint32_t number, bool inColour, SnapshotPixels& out) const;

  // Selection and strip moves the dialog makes (its slider, scroll buttons, thumbnail clicks);
  // a number that is not listed changes nothing.
  void Select(std::uint32_t number);
  void SetStripEnd(std::uint32_t number);

  // Deletes every regular file SnapShot*.* of the temporary folder (nothing else: no folder, no
  // link) and empties the list. Numbers already given out stay used.
  void ClearTemporaryFolder();

  // "<temporaryFolder>/SnapShot<N>.jpg".
  std::string PathOf(std::uint32_t number) const;

  std::uint32_t lastNumber() const;
  std::uint32_t snapshotCount() const;
  const std::vector<std::uint32_t>& numbers() const;
  std::uint32_t selectedNumber() const;
  std::uint32_t stripEnd() const;
  // Bytes held by the thumbnail cache.
  std::size_t cacheBytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The placeholder picture of a resolution: dark grey (82, 82, 82) with a drawn camera sign,
// blue-green-red, bottom-up, of that resolution's size.
SnapshotPixels PlaceholderPicture(int resolutionIndex);

}  // namespace tavo::preview
