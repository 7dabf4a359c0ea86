// TavoCCTV's main window: the skinned face over CctvController. It paints, forwards clicks,
// timers, posted frames and panel changes to the controller, and shows what the controller says.
#pragma once

#include <QFont>
#include <QImage>
#include <array>
#include <map>
#include <memory>

#include "cctvcontroller.h"
#include "cctvface.h"
#include "paintedbuttons.h"
#include "windowtimers.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tavo {
class SkinSlider;
}

namespace tavo::cctv {

class FolderPanel;

class CctvMainWindow final : public SkinWindow, public CctvView {
  Q_OBJECT
 public:
  // `services` as for the controller; the window is its view. Nothing starts until Start.
  explicit CctvMainWindow(CctvServices services);
  ~CctvMainWindow() override;

  // Start-up: layout, skins (message 3002), the runtime check and the camera. False when the
  // program is to end.
  bool Start(std::uint32_t mediaRuntimeVersion);

  CctvController& controller() { return *controller_; }
  const SkinPictures& skin() const { return skin_; }
  bool ended() const { return ended_; }
  bool topmost() const { return topmost_; }
  bool pictureSignShown() const { return signShown_; }
  QWidget* videoControl() const { return video_; }
  QWidget* bar(int i) const { return bars_[static_cast<std::size_t>(i)]; }
  QComboBox* cameraList() const { return cameraList_; }
  QComboBox* rateList() const { return rateList_; }
  SkinSlider* slider(int id) const { return sliders_.at(id); }
  QLabel* valueField(int id) const { return values_.at(id); }
  QLineEdit* mailEdit(int id) const { return edits_.at(id); }
  // The viewer: its two off-screen pictures, its fields 1021 and 1022 and the folder panel.
  const QImage& largePicture() const { return large_; }
  const QImage& stripPicture() const { return strip_; }
  QLabel* counterField() const { return counter_; }
  QLabel* speedField() const { return speed_; }
  FolderPanel* folderPanel() const { return panel_; }
  bool timerActive(int id) const { return timers_.active(id); }
  int timerInterval(int id) const { return timers_.interval(id); }
  const QFont& controlFont() const { return font_; }
  const QFont& numberFont() const { return numberFont_; }
  // The tooltip text for a client point, or empty.
  QString TooltipAt(QPoint point) const override;

  // CctvView.
  QObject* FrameTarget() override { return this; }
  QObject* VideoOwner() override;
  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;
  void ShowBars(bool phase) override;
  void HideBars() override;
  void SetClientHeight(int height) override;
  void SetTopmost(bool topmost) override;
  void Minimise() override;
  void EndDialog(int result) override;
  void ShowPictureSign() override;
  void Refresh() override;
  void OpenFolderPanel() override;
  void CloseFolderPanel() override;
  bool ShowHelpPage(const std::string& file) override;
  // ViewerView.
  bool RenderLarge(const std::uint8_t* frame) override;
  bool RenderThumb(int slot, const std::uint8_t* frame) override;
  void RefillFolders() override;
  void ViewerChanged() override;

  void ShowAbout();

 protected:
  void ButtonClicked(int id) override;
  bool AreaMove(QMouseEvent* event) override;
  bool AreaPress(QMouseEvent* event) override;
  void AreaRelease(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void PaintState(QPainter& painter) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  void BuildButtons();
  // A number field: the number font, white on the fields' dark ground, centred.
  QLabel* NewField(QRect place);
  // Gives a two-state button the hover and pressed faces of its state.
  void ShowStateFaces(const StateFaces& faces, bool on);
  bool MailCheckHit(QPoint point) const;
  void ForgetUnperformedMinimise();
  // Shows what the viewer holds: fields, captions, the slideshow button's faces.
  void ShowViewerState();

  std::unique_ptr<CctvController> controller_;
  const StringTable& strings_;
  MessageBoxes& boxes_;
  Shell& shell_;
  std::string programFolder_;
  WindowTimers timers_;
  SkinPictures skin_;
  QFont font_;
  QFont numberFont_;
  QWidget* video_ = nullptr;
  std::array<QWidget*, kBarCount> bars_{};
  QComboBox* cameraList_ = nullptr;
  QComboBox* rateList_ = nullptr;
  std::map<int, SkinSlider*> sliders_;
  std::map<int, QLabel*> values_;
  std::map<int, QLineEdit*> edits_;
  QLabel* counter_ = nullptr;
  QLabel* speed_ = nullptr;
  FolderPanel* panel_ = nullptr;
  QImage large_;
  QImage strip_;
  bool viewerBackground_ = false;
  bool refreshing_ = false;
  bool signShown_ = false;
  bool ended_ = false;
  bool topmost_ = false;
  bool shutDown_ = false;
};

}  // namespace tavo::cctv
