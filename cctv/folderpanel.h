// The folder panel of TavoCCTV's viewer mode: a narrow skinned window that slides out of the main
// window's right edge, lists the run folders in a tree, opens the one chosen in the viewer and
// deletes it with its button. The rules live in FolderPanelModel and PanelSlide; this window
// paints them and forwards clicks and timer ticks.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <functional>
#include <string>

#include "runfolders.h"
#include "satellitewindow.h"
#include "shell.h"
#include "windowtimers.h"

class QLabel;
class QTreeWidget;

namespace tavo::cctv {

class FolderPanel final : public SatelliteWindow {
  Q_OBJECT
 public:
  // The delete button's id among the panel's painted buttons.
  static constexpr int kButtonDelete = 1;
  // The panel's timer that paces the slide.
  static constexpr int kSlideTimer = 1;

  // A tool window owned by `owner` (the main window), hidden until the first slide. Loads its
  // pictures from the skin folder of `uiLanguage` below `programFolder` (a missing picture leaves
  // the panel without it), lists the store under programFolder + "/CCTV_Image/", deletes through
  // `shell`, and opens folders with `showFolder` ("" shows the placeholder), which it calls once
  // before returning.
  FolderPanel(QWidget* owner, const std::string& programFolder, const std::string& uiLanguage,
              Shell& shell, std::function<void(const std::string&)> showFolder);
  ~FolderPanel() override;

  // Rebuilds the tree from the disk, nothing selected, gives it the focus and repaints it.
  void FillFolderTree();
  // Whether the chosen run is marked where the user can see it: the panel out and still, the
  // run's row selected in the tree and within its view. True when no run is chosen.
  bool ChoiceShown() const;
  // Slides the panel out, or back when it is out; the closing slide ends by posting
  // WM_VIEWER_CLOSED to the owner.
  void StartSlide();
  // Called when the chosen run could not be deleted completely (a file in use, no permission),
  // so that the user hears of it; the list then keeps the run.
  void SetDeleteFailed(std::function<void()> deleteFailed) {
    deleteFailed_ = std::move(deleteFailed);
  }
  // The date and time of the picture the viewer shows.
  void SetCaptions(const QString& date, const QString& time);

  FolderPanelModel& model() { return model_; }
  const FolderPanelModel& model() const { return model_; }
  bool closing() const { return slide_.closing(); }
  bool sliding() const { return slide_.running(); }
  // Pictures loaded before the first failure: background, pressed, focused.
  int picturesLoaded() const { return picturesLoaded_; }
  QTreeWidget* tree() const { return tree_; }
  QLabel* dateCaption() const { return captions_[0]; }
  QLabel* timeCaption() const { return captions_[1]; }
  const QFont& treeFont() const { return treeFont_; }
  const QFont& captionFont() const { return captionFont_; }
  // Runs one slide tick at once, as the timer would; for tests.
  void SlideTickForTest() { SlideTick(); }

 protected:
  void ButtonClicked(int id) override;
  bool AreaPress(QMouseEvent* event) override;
  // Following the owner (Follow): unless the panel is shut or shutting, beside the owner's right
  // edge at its top.
  std::optional<QPoint> FollowPosition(const QRect& owner) const override;

 private:
  void ChooseFonts(const std::string& uiLanguage);
  void BuildTree(const QImage& background);
  void BuildCaptions();
  // Shows the model's items and selection in the tree.
  void Mirror();
  // Marks the model's selected item in the tree (none for -1).
  void MarkSelection();
  void OnTreeSelection();
  void SlideTick();
  // The tree and everything over it drawn again: what is refilled or uncovered must not wait for
  // an expose that may never come (no window manager, a changed mask).
  void RepaintTree();

  FolderPanelModel model_;
  PanelSlide slide_;
  WindowTimers timers_;
  QTreeWidget* tree_ = nullptr;
  QLabel* captions_[2] = {nullptr, nullptr};
  QIcon folderIcon_;
  QFont treeFont_;
  QFont captionFont_;
  int picturesLoaded_ = 0;
  std::function<void()> deleteFailed_;
  bool inSelection_ = false;
};

}  // namespace tavo::cctv
