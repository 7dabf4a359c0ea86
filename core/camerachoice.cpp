#include "camerachoice.h"

#include <algorithm>
#include <cctype>

namespace tavo {

int FindPrefixed(const std::vector<std::string>& names, std::string_view prefix, int start) {
  const int n = static_cast<int>(names.size());
  auto prefixed = [prefix](const std::string& name) {
    if (name.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), name.begin(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) ==
             std::tolower(static_cast<unsigned char>(b));
    });
  };
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k) % n;
    if (prefixed(names[static_cast<std::size_t>(i)])) return i;
  }
  return -1;
}

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
    // The list finds its entry by its own search, which may stop at another camera whose name
    // only begins like the preferred one; the camera in use is the exact match all the same.
    const int found = FindPrefixed(names_, kPreferredCamera);
    if (found >= 0) selection_ = found;
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

}  // namespace tavo
