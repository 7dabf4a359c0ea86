#include "devicelist.h"

#include <algorithm>
#include <string_view>

namespace tavo::media {

namespace {

// The device file of a path as PipeWire or V4L2 writes it: "v4l2:/dev/video0" is "/dev/video0".
std::string DeviceFileOf(const std::string& path) {
  constexpr std::string_view kPrefix = "v4l2:";
  if (std::string_view(path).substr(0, kPrefix.size()) == kPrefix) {
    return path.substr(kPrefix.size());
  }
  return path;
}

bool SameCamera(const DeviceRecord& pipeWire, const DeviceRecord& v4l2) {
  const std::string first = DeviceFileOf(pipeWire.path);
  const std::string second = DeviceFileOf(v4l2.path);
  // Two cameras of one model share a name; their device files tell them apart.
  if (!first.empty() && !second.empty()) return first == second;
  return !pipeWire.name.empty() && pipeWire.name == v4l2.name;
}

}  // namespace

std::string CameraDeviceFile(const std::string& path) {
  std::string file = DeviceFileOf(path);
  if (file.empty() || file.front() != '/') return {};
  return file;
}

std::vector<std::size_t> PreferV4l2Devices(const std::vector<DeviceRecord>& devices) {
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const DeviceRecord& device = devices[i];
    const bool duplicate =
        device.api == DeviceApi::PipeWire &&
        std::any_of(devices.begin(), devices.end(), [&](const DeviceRecord& other) {
          return other.api == DeviceApi::V4l2 && SameCamera(device, other);
        });
    if (!duplicate) kept.push_back(i);
  }
  return kept;
}

}  // namespace tavo::media
