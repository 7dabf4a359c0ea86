// TavoPreview's control bar: the skinned 332 x 63 strip over PreviewController. It paints, forwards
// clicks, moves, posted frames and the dialogs' messages to the controller and the docking, owns
// the preview window, and shows what the controller says.
#pragma once

#include <QPointer>
#include <array>
#include <memory>
#include <optional>

#include "configdialog.h"
#include "paintedbuttons.h"
#include "previewcontroller.h"
#include "previewdocking.h"
#include "previewface.h"
#include "previewwindow.h"
#include "snapshotdialog.h"
#include "windowtimers.h"

namespace tavo::preview {

class PreviewMainWindow final : public SkinWindow, public PreviewView {
  Q_OBJECT
 public:
  // `services` as for the controller; the bar is its view. Nothing starts until Start.
  explicit PreviewMainWindow(PreviewServices services);
  ~PreviewMainWindow() override;

  // Start-up: the bar at its place on the screen, its skin (3007), then the controller's start.
  // False when the program is to end.
  bool Start(std::uint32_t mediaRuntimeVersion);

  PreviewController& controller() { return *controller_; }
  PreviewDocking& docking() { return docking_; }
  const BarPictures& skin() const { return skin_; }
  PreviewWindow* previewWindow() const { return preview_.data(); }
  ConfigDialog* configDialog() const { return config_.data(); }
  bool ended() const { return ended_; }
  bool topmost() const { return topmost_; }
  // Whether a dialog's window is open.
  bool dialogOpen(Satellite which) const;
  SnapshotDialog* snapshotDialog() const { return snapshotDialog_.data(); }
  // The tooltip text for a client point, or empty.
  QString TooltipAt(QPoint point) const override;
  void ShowAbout();

  // PreviewView.
  QObject* FrameTarget() override { return this; }
  QObject* VideoOwner() override;
  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;
  void Refresh() override;
  void EndDialog(int result) override;
  void SetTopmost(bool topmost) override;
  void Minimise() override;
  bool HasPreviewWindow() const override;
  void CreatePreviewWindow() override;
  void DestroyPreviewWindow() override;
  void PlacePreviewWindow(int resolutionIndex) override;
  void ShowVideoControl() override;
  bool CreateDialog(Satellite which) override;
  void DestroyDialog(Satellite which) override;
  void LayOutSatellites() override;

 protected:
  void ButtonClicked(int id) override;
  void PaintState(QPainter& painter) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildButtons();
  void ShowStateFaces(const StateFaces& faces, bool on);
  // Carries out the moves a docking step returns.
  void Apply(const std::array<std::optional<Placement>, kSatelliteCount>& moves);

  std::unique_ptr<PreviewController> controller_;
  const StringTable& strings_;
  MessageBoxes& boxes_;
  std::string programFolder_;
  PreviewDocking docking_;
  WindowTimers timers_;
  BarPictures skin_;
  QPointer<PreviewWindow> preview_;
  QPointer<ConfigDialog> config_;
  QPointer<SnapshotDialog> snapshotDialog_;
  bool ended_ = false;
  bool topmost_ = false;
  bool shutDown_ = false;
};

}  // namespace tavo::preview
