#include "camerachoice.h"

namespace tavo {

CameraChoice::CameraChoice(CaptureGraph& graph, MessageBoxes& boxes, const StringTable& strings,
                           int msgNoVideoDevice)
    : graph_(graph), boxes_(boxes), strings_(strings), msgNoVideoDevice_(msgNoVideoDevice) {}

bool CameraChoice::Choose() {
  const int n = graph_.EnumerateDevices(media::DeviceCategory::VideoInput);
  if (n == 0) {
    ShowString(boxes_, strings_, msgNoVideoDevice_);
    return false;
  }
  names_.clear();
  bool matched = false;
  for (int i = 0; i < n; ++i) {
    const std::string name = graph_.GetDeviceName(i).value_or(std::string());
    if (name == kPreferredCamera) {
      cameraName_ = name;
      graph_.SelectDevice(i);
      deviceIndex_ = i;
      matched = true;
    }
    names_.push_back(name);
  }
  if (matched) {
    // The list shows the camera in use, also when another entry's name begins the same way or
    // is the same.
    selection_ = deviceIndex_;
    return true;
  }
  cameraName_ = names_.front();
  graph_.SelectDevice(0);
  deviceIndex_ = 0;
  selection_ = 0;
  return true;
}

bool CameraChoice::Pick(int index) {
  if (index < 0 || index >= static_cast<int>(names_.size())) return false;
  if (graph_.built()) {
    if (index == deviceIndex_) return false;
    deviceIndex_ = index;
    graph_.Close();
  } else {
    deviceIndex_ = index;
  }
  selection_ = index;
  cameraName_ = names_[static_cast<std::size_t>(index)];
  return true;
}

bool CameraChoice::FindAgain() {
  const int n = graph_.EnumerateDevices(media::DeviceCategory::VideoInput);
  if (n == 0) return false;
  std::vector<std::string> names;
  int found = -1;
  bool atOldPlace = false;
  for (int i = 0; i < n; ++i) {
    names.push_back(graph_.GetDeviceName(i).value_or(std::string()));
    if (names.back() == cameraName_ && !atOldPlace) {
      found = i;
      atOldPlace = i == deviceIndex_;
    }
  }
  names_ = std::move(names);
  deviceIndex_ = found;
  selection_ = found;
  return found >= 0;
}

}  // namespace tavo
