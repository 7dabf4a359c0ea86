// TavoPreview's snapshot viewer: one snapshot at its full size (640 x 480 in the large layout,
// anything else in the small one) with Save and Cancel, opened from the snapshot dialog by a double
// click on a thumbnail. Dragged by any point that is not a button.
#pragma once

#include <QEvent>
#include <QImage>

#include <cstdint>
#include <string>

#include "messageboxes.h"
#include "paintedbuttons.h"
#include "skinbutton.h"
#include "snapshotdialogmodel.h"
#include "snapshotstore.h"
#include "stringtable.h"

namespace tavo::preview {

// A window message with its first parameter: the dialog's closing (1924) and the viewer's (1926).
class ClosedEvent final : public QEvent {
 public:
  ClosedEvent(int type, int first) : QEvent(static_cast<QEvent::Type>(type)), first(first) {}
  const int first;
};

class SnapshotViewer final : public SkinWindow {
  Q_OBJECT
 public:
  // A tool window owned by the snapshot dialog `dialog` (none: it ends itself when closed),
  // hidden until ShowSnapshot. Loads the "/SnapViewer" pictures from "/Image_Jpn" for Japanese and
  // "/Image_Eng" for every other language (3076 once when any fails). `store` and the services
  // must outlive it.
  SnapshotViewer(QWidget* dialog, SnapshotStore& store, MessageBoxes& boxes,
                 const StringTable& strings, const std::string& programFolder);

  // Snapshot `number` decoded in colour, the layout chosen by its size, the window at the screen's
  // top-left corner, the picture drawn on black, shown and repainted. False when it could not be
  // decoded (the codec's box) or drawn (3074): the picture area stays black.
  bool ShowSnapshot(std::uint32_t number);

  // Save: the pixels shown, encoded afresh under a name the user picks; the viewer closes once a
  // name was confirmed, whether or not the file could be written, and stays when the user
  // cancels. Cancel: the viewer closes. Closing posts WM_SNAPSHOT_VIEWER_CLOSED (a ClosedEvent,
  // first parameter 2) to the dialog, which deletes the viewer.
  void Save();
  void Cancel();

  bool large() const { return layout_.large; }
  const ViewerLayout& layout() const { return layout_; }
  // What the picture area shows (640 x 480; the small layout uses its 320 x 240 corner).
  const QImage& memoryBitmap() const { return memory_; }
  bool ownsPixels() const { return ownsPixels_; }
  bool skinLoaded() const { return skinLoaded_; }
  SkinButton* saveButton() const { return save_; }
  SkinButton* cancelButton() const { return cancel_; }

 protected:
  void PaintState(QPainter& painter) override;

 private:
  // Draws the pixels held into the memory bitmap; false when they cannot be rendered.
  bool Render();
  void ApplyLayout();
  void Close();

  SnapshotStore& store_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  SnapshotPixels pixels_;
  bool ownsPixels_ = false;
  QImage memory_;
  QImage face_;
  QImage faceLarge_;
  ViewerLayout layout_;
  SkinButton* save_ = nullptr;
  SkinButton* cancel_ = nullptr;
  bool skinLoaded_ = true;
};

}  // namespace tavo::preview
