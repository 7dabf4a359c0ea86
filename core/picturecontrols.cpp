#include "picturecontrols.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tavo {

namespace {

// Indices into the store order (brightness, saturation, contrast) in the order the ranges are
// read: brightness, contrast, saturation.
constexpr std::size_t kRefreshOrder[] = {0, 2, 1};
constexpr const char* kValueNames[] = {"Bright", "Saturation", "Contrast"};

}  // namespace

SliderModel BandedSlider(int minimum, int maximum, int centre) {
  const int half = centre >= 50 ? 50 : 3;
  return {minimum, maximum, centre, centre - half, centre + half};
}

std::int32_t DecimalOf(const std::string& text) {
  char buffer[10] = {};
  std::strncpy(buffer, text.c_str(), sizeof buffer - 1);
  return static_cast<std::int32_t>(std::atoi(buffer));
}

PictureControls::PictureControls(CaptureGraph& graph, MessageBoxes& boxes,
                                 const StringTable& strings, PictureControlsSetup setup)
    : graph_(graph),
      boxes_(boxes),
      strings_(strings),
      setup_(std::move(setup)),
      controls_{Control{.property = media::kPropertyBrightness, .ids = setup_.brightness},
                Control{.property = media::kPropertySaturation, .ids = setup_.saturation},
                Control{.property = media::kPropertyContrast, .ids = setup_.contrast}} {}

const SliderModel* PictureControls::slider(int id) const {
  for (const Control& control : controls_) {
    if (control.ids.slider == id) return &control.model;
  }
  return nullptr;
}

std::string PictureControls::FieldText(int id) const {
  const Control* control = FindField(id);
  return control == nullptr ? std::string() : control->field;
}

PictureControls::Control* PictureControls::Find(int slider) {
  for (Control& control : controls_) {
    if (control.ids.slider == slider) return &control;
  }
  return nullptr;
}

const PictureControls::Control* PictureControls::FindField(int field) const {
  for (const Control& control : controls_) {
    if (control.ids.field == field) return &control;
  }
  return nullptr;
}

void PictureControls::SetField(Control& control, int value) {
  control.field = std::to_string(value);
}

void PictureControls::Refresh() {
  for (std::size_t index : kRefreshOrder) {
    Control& control = controls_[index];
    control.range = {};
    if (!graph_.GetVideoPropertyRange(control.property, control.range)) continue;
    const int def = static_cast<int>(control.range.defaultValue);
    control.model = BandedSlider(static_cast<int>(control.range.minimum),
                                 static_cast<int>(control.range.maximum), def);
    SetField(control, def);
  }
}

void PictureControls::SetUp() {
  for (std::size_t index : kRefreshOrder) {
    Control& control = controls_[index];
    control.range = {};
    if (!graph_.GetVideoPropertyRange(control.property, control.range)) continue;
    const int minimum = static_cast<int>(control.range.minimum);
    const int maximum = static_cast<int>(control.range.maximum);
    const int current = control.field.empty() ? static_cast<int>(control.range.defaultValue)
                                              : DecimalOf(control.field);
    // The slider cannot stand outside its range; the band goes around where it stands.
    control.model = BandedSlider(minimum, maximum, std::clamp(current, minimum, maximum));
    SetField(control, current);
  }
}

bool PictureControls::ResetDisplayType(bool lcd) {
  if (!graph_.built()) return false;
  const bool reset = graph_.ResetVideoProperties();
  if (reset) {
    Refresh();
  } else {
    ShowString(boxes_, strings_, setup_.msgNoVideoFeature);
  }
  if (lcd) graph_.StepGammaDown();
  return reset;
}

bool PictureControls::ResetForFirstRun() {
  // Without picture-property control the records stay zero, so the key written from them is
  // still complete and later loads do not fail on a missing value.
  for (Control& control : controls_) control.range = {};
  if (!graph_.ResetVideoProperties()) {
    ShowString(boxes_, strings_, setup_.msgNoVideoReset);
    return false;
  }
  Refresh();
  return true;
}

bool PictureControls::Move(int id, int position) {
  Control* control = Find(id);
  if (control == nullptr) return false;
  position = std::clamp(position, control->model.minimum, control->model.maximum);
  control->model.position = position;
  graph_.SetVideoProperty(control->property, position);
  SetField(*control, position);
  return true;
}

std::size_t PictureControls::IndexOf(const Control& control) const {
  return static_cast<std::size_t>(&control - controls_.data());
}

PictureControls::MoveResult PictureControls::MoveAndStore(int id, int position,
                                                          const RegistryRoot& root) {
  Control* control = Find(id);
  if (control == nullptr) return MoveResult::kNotASlider;
  position = std::clamp(position, control->model.minimum, control->model.maximum);
  // The slider stands where it was moved to, whatever the camera makes of it.
  control->model.position = position;
  if (!graph_.SetVideoProperty(control->property, position)) return MoveResult::kRefused;
  SetField(*control, position);
  RegistryKey key(root);
  if (!key.OpenSubKey(setup_.settingsKey)) key.CreateKey(root, setup_.settingsKey);
  const bool stored =
      key.Open(root, setup_.settingsKey) &&
      key.WriteNumber(kValueNames[IndexOf(*control)], static_cast<std::uint32_t>(position));
  key.Close();
  return stored ? MoveResult::kStored : MoveResult::kNotStored;
}

void PictureControls::Adopt(const PictureValues& values) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    SetField(controls_[i], static_cast<std::int32_t>(values[i]));
  }
}

void PictureControls::ApplyShown() {
  for (Control& control : controls_) {
    if (!control.field.empty()) Move(control.ids.slider, control.model.position);
  }
}

void PictureControls::WriteDefaults(RegistryKey& key) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const auto def = static_cast<std::int32_t>(controls_[i].range.defaultValue);
    key.WriteNumber(kValueNames[i], static_cast<std::uint32_t>(def));
  }
}

bool PictureControls::AddValues(std::vector<RegistryKey::ValueInfo>& batch) const {
  bool all = true;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].field.empty()) {
      all = false;
      continue;
    }
    batch.push_back(RegistryKey::NumberValue(
        kValueNames[i], static_cast<std::uint32_t>(DecimalOf(controls_[i].field))));
  }
  return all;
}

bool PictureControls::ReadValues(RegistryKey& key, PictureValues& out) {
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!key.ReadNumber(kValueNames[i], out[i])) return false;
  }
  return true;
}

void PictureControls::Apply(const PictureValues& values) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Control& control = controls_[i];
    int value = static_cast<std::int32_t>(values[i]);
    // The camera refuses a value outside its range: one stored from another camera is brought
    // within the range read from this one, as cameras used to do themselves.
    if (control.range.minimum < control.range.maximum) {
      value = std::clamp(value, static_cast<int>(control.range.minimum),
                         static_cast<int>(control.range.maximum));
    }
    if (!graph_.SetVideoProperty(control.property, value)) continue;
    SetField(control, value);
    control.model.position = std::clamp(value, control.model.minimum, control.model.maximum);
  }
}

bool PictureControls::StoreDefaults(const RegistryRoot& root) const {
  RegistryKey key(root);
  if (!key.CreateKey(root, setup_.settingsKey) || !key.Open(root, setup_.settingsKey)) {
    return false;
  }
  WriteDefaults(key);
  key.Close();
  return true;
}

bool PictureControls::StoreValues(const RegistryRoot& root) const {
  std::vector<RegistryKey::ValueInfo> batch;
  AddValues(batch);
  if (batch.empty()) return true;
  RegistryKey key(root);
  if (!key.OpenSubKey(setup_.settingsKey)) key.CreateKey(root, setup_.settingsKey);
  return key.Open(root, setup_.settingsKey) && key.WriteValues(batch);
}

}  // namespace tavo
