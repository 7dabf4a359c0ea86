// TavoPreview's configuration dialog: the skinned 332 x 115 satellite under the control bar with
// the camera and resolution lists, the brightness, saturation and contrast sliders with their
// value labels, and the CRT, LCD and close buttons. It shows what ConfigDialogModel holds and
// hands it the user's choices; it docks through PreviewDocking whenever it moves, and tells the
// bar it wants to close with WM_CONFIG_DIALOG_CLOSED.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <array>
#include <map>
#include <string>

#include "configdialogmodel.h"
#include "previewdocking.h"
#include "satellitewindow.h"

class QComboBox;
class QLabel;

namespace tavo {
class SkinSlider;
}

namespace tavo::preview {

inline constexpr int kConfigDialogWidth = 332;
inline constexpr const char* kConfigSkinFolder = "/Config";

// The dialog's pictures, in loading order.
enum ConfigPicture : int { kConfigBg, kConfigExitDown, kConfigCrtDown, kConfigLcdDown };
inline constexpr int kConfigSkinFileCount = 4;
const std::array<const char*, kConfigSkinFileCount>& ConfigSkinFiles();

struct ConfigPictures {
  std::array<QImage, kConfigSkinFileCount> images;
  int loaded = 0;  // pictures loaded before the first failure
  bool complete() const { return loaded == kConfigSkinFileCount; }
  const QImage& Face(int i) const;
};
// Loads the pictures of `uiLanguage` below `programFolder`, stopping at the first file that fails.
ConfigPictures LoadConfigPictures(const std::string& programFolder, const std::string& uiLanguage);

// The painted buttons, in their test order. Hit areas are inclusive; the pressed face is drawn at
// its place, and the repaint area is redrawn when the normal face returns.
enum ConfigButton : int { kConfigCrt = 1, kConfigLcd = 2, kConfigClose = 3 };
struct ConfigButtonFace {
  int id;
  QRect hitArea;
  QPoint faceAt;
  QRect repaintArea;
  int pressedFace;
};
const std::array<ConfigButtonFace, 3>& ConfigButtons();

// Places of the child controls, client pixels.
inline constexpr QRect kCameraListPlace(68, 49, 81, 20);
inline constexpr QRect kResolutionListPlace(68, 75, 81, 20);
inline constexpr int kCameraListDropWidth = 250;
inline constexpr int kResolutionListDropWidth = 60;
inline constexpr int kListItemHeight = 12;
// The sliders in their row order (brightness, saturation, contrast) and where each stands.
struct ConfigSliderRow {
  int slider;
  int label;
};
inline constexpr std::array<ConfigSliderRow, 3> kConfigSliderRows = {
    {{kSliderBrightness, kFieldBrightness},
     {kSliderSaturation, kFieldSaturation},
     {kSliderContrast, kFieldContrast}}};
QRect ConfigSliderPlace(int row);
// The value label of row `row`: Korean skins sit one pixel right and down of the others.
QRect ConfigLabelPlace(int row, bool korean);

// Colours of the controls.
inline constexpr QColor kConfigSliderParts(148, 150, 148);  // thumb, selection and channel
inline constexpr QColor kConfigSliderGround(82, 82, 82);
inline constexpr QColor kConfigListGround(42, 42, 42);
inline constexpr QColor kConfigLabelGround(42, 41, 41);
inline constexpr QColor kConfigText(255, 255, 255);

// The font of the lists and labels: Batang 12 high for Korean, else a narrow Arial 14 high; both
// light.
QFont ConfigControlFont(const std::string& uiLanguage);

class ConfigDialog final : public SatelliteWindow {
  Q_OBJECT
 public:
  // A tool window owned by the bar (it goes with it), hidden until placed. `controller` and
  // `docking` must outlive it. Loads its skin, builds its controls and initialises the model.
  ConfigDialog(QWidget* bar, PreviewController& controller, PreviewDocking& docking);

  ConfigDialogModel& model() { return model_; }
  const ConfigPictures& skin() const { return skin_; }
  // Moves the dialog to `at`, as a docking step placed it, and shows it without taking focus.
  void PlaceAt(QPoint at);
  // The controls show the model again.
  void Refresh();

  QComboBox* cameraList() const { return cameraList_; }
  QComboBox* resolutionList() const { return resolutionList_; }
  SkinSlider* slider(int id) const;
  QLabel* label(int id) const;

 protected:
  void ButtonClicked(int id) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildControls(const std::string& uiLanguage);
  void BuildButtons();
  QComboBox* NewList(QRect place, int dropWidth);

  ConfigDialogModel model_;
  PreviewDocking& docking_;
  ConfigPictures skin_;
  QFont font_;
  QComboBox* cameraList_ = nullptr;
  QComboBox* resolutionList_ = nullptr;
  std::map<int, SkinSlider*> sliders_;
  std::map<int, QLabel*> labels_;
  // Set while the controls are filled from the model, so their signals are not taken as choices.
  bool refreshing_ = false;
};

}  // namespace tavo::preview
