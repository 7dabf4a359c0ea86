// TavoPreview's snapshot dialog: the 332 x 114 skinned satellite under the control bar with four
// thumbnails of the snapshot store, a slider over all snapshots, the position label and the
// buttons that take, save, delete and scroll. A double click on a thumbnail opens the viewer.
// The rules are SnapshotDialogModel's; this window paints and forwards.
#pragma once

#include <QEvent>
#include <QImage>
#include <QPointer>

#include <array>
#include <functional>
#include <string>

#include "messageboxes.h"
#include "previewdocking.h"
#include "satellitewindow.h"
#include "snapshotdialogmodel.h"
#include "snapshotstore.h"
#include "snapshotviewer.h"
#include "stringtable.h"

class QLabel;

namespace tavo::preview {

struct SnapshotDialogServices {
  SnapshotStore& store;
  PreviewDocking& docking;
  // The controller's TakeSnapshot: false (after its message) when no frame can be asked for.
  std::function<bool()> takeSnapshot;
  MessageBoxes& boxes;
  const StringTable& strings;
  std::string programFolder;
};

class SnapshotDialog final : public SatelliteWindow {
  Q_OBJECT
 public:
  // A tool window owned by the control bar `bar`, hidden until placed; its Close button posts the
  // bar WM_SNAPSHOT_DIALOG_CLOSED (a ClosedEvent, first parameter 2), and the bar deletes it. Loads
  // the "/SnapShotDlg" pictures of the strings' language (3076 once when any fails; the dialog
  // opens all the same), follows the store (its changed hook, released when the dialog goes), and
  // takes a snapshot at once. Its moves snap through the docking (Satellite::kSnapshot). The
  // services must outlive it.
  SnapshotDialog(QWidget* bar, SnapshotDialogServices services);
  ~SnapshotDialog() override;

  // Moves the dialog to `at`, as a docking step placed it, and shows it without taking focus.
  void PlaceAt(QPoint at);

  SnapshotDialogModel& model() { return model_; }
  const SnapshotDialogModel& model() const { return model_; }
  // The viewer, while one is open.
  SnapshotViewer* viewer() const { return viewer_.data(); }
  QLabel* positionLabel() const { return label_; }
  bool skinLoaded() const { return skinLoaded_; }

 protected:
  void ButtonClicked(int id) override;
  bool AreaMove(QMouseEvent* event) override;
  bool AreaPress(QMouseEvent* event) override;
  void AreaRelease(QMouseEvent* event) override;
  void PaintState(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void LoadSkin();
  void StoreChanged();
  // The label and the window brought up to date with the model and the store.
  void ShowChanges();
  void Close();
  void OpenViewer();
  void DestroyViewer();

  SnapshotDialogServices services_;
  SnapshotDialogModel model_;
  QLabel* label_ = nullptr;
  QPointer<SnapshotViewer> viewer_;
  QImage track_;
  QImage thumb_;
  bool skinLoaded_ = true;
  // The store's last number when the dialog last looked: a new one means a snapshot was stored.
  std::uint32_t seenLastNumber_ = 0;
};

}  // namespace tavo::preview
