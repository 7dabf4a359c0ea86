#include "configdialogmodel.h"

#include <cctype>
#include <utility>

#include "camerachoice.h"
#include "registrykey.h"

namespace tavo::preview {

const std::array<const char*, 3>& ResolutionItems() {
  static const std::array<const char*, 3> kItems = {"640 x 480", "320 x 240", "160 x 120"};
  return kItems;
}

int FindItemWithPrefix(const std::vector<std::string>& items, const std::string& prefix) {
  const auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    if (item.size() < prefix.size()) continue;
    bool same = true;
    for (std::size_t k = 0; same && k < prefix.size(); ++k) {
      same = lower(item[k]) == lower(prefix[k]);
    }
    if (same) return static_cast<int>(i);
  }
  return -1;
}

ConfigDialogModel::ConfigDialogModel(PreviewController& controller) : controller_(controller) {}

void ConfigDialogModel::Initialise() {
  if (!controller_.previewBuilt()) {
    const int found = FindItemWithPrefix(controller_.deviceNames(), kPreferredCamera);
    controller_.SelectListedCamera(found >= 0 ? found : 0);
    return;
  }
  SaveAndReload();
  controller_.picture().SetUp();
}

int ConfigDialogModel::resolutionSelection() const { return controller_.resolutionIndex() - 1; }

const std::vector<std::string>& ConfigDialogModel::cameraItems() const {
  return controller_.deviceNames();
}

int ConfigDialogModel::cameraSelection() const { return controller_.deviceIndex(); }

const SliderModel& ConfigDialogModel::slider(int id) const {
  static const SliderModel kNone{};
  const SliderModel* model = std::as_const(controller_).picture().slider(id);
  return model == nullptr ? kNone : *model;
}

std::string ConfigDialogModel::label(int id) const {
  return std::as_const(controller_).picture().FieldText(id);
}

void ConfigDialogModel::ChooseResolution(int item) {
  if (!controller_.ChooseResolution(item) || !controller_.previewBuilt()) return;
  SaveAndReload();
  controller_.picture().SetUp();
}

void ConfigDialogModel::ChooseCamera(int item) {
  if (controller_.ChooseCamera(item)) PlainReset(false);
}

void ConfigDialogModel::MoveSlider(int id, int position) {
  const auto result = controller_.picture().MoveAndStore(id, position, controller_.settingsRoot());
  if (result == PictureControls::MoveResult::kNotStored) controller_.TellSettingsNotStored();
}

void ConfigDialogModel::Crt() { PlainReset(false); }

void ConfigDialogModel::Lcd() { PlainReset(true); }

void ConfigDialogModel::PlainReset(bool lcd) {
  // Nothing without a built graph; the camera's defaults on the sliders, or 3082. The LCD
  // button's gamma step touches only the camera, so it may come before the store.
  controller_.picture().ResetDisplayType(lcd);
  SaveAndReload();
}

void ConfigDialogModel::SaveAndReload() {
  PictureControls& picture = controller_.picture();
  const RegistryRoot& root = controller_.settingsRoot();
  if (!picture.StoreValues(root)) controller_.TellSettingsNotStored();
  RegistryKey key(root);
  if (!key.Open(root, kSettingsKey)) return;
  PictureValues values{};
  if (PictureControls::ReadValues(key, values)) {
    reloaded_ = values;
    picture.Adopt(values);
  } else {
    controller_.Show(kMsgRegistryRead);
  }
  key.Close();
}

}  // namespace tavo::preview
