// Which of the cameras the device monitor lists are shown. A camera that PipeWire offers is often
// the same V4L2 device that the V4L2 provider lists too; PipeWire's source has no picture
// controls, so the V4L2 one is the one to keep.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tavo::media {

enum class DeviceApi { V4l2, PipeWire, Other };

// What the device monitor says of one device.
struct DeviceRecord {
  std::string name;
  DeviceApi api = DeviceApi::Other;
  // The device file behind it ("/dev/video0", or PipeWire's "v4l2:/dev/video0"); empty when
  // unknown.
  std::string path;
};

// The device file a camera's path names ("/dev/video0" from "/dev/video0" or PipeWire's
// "v4l2:/dev/video0"); empty when the path names none ("libcamera:/base/cam0", "").
std::string CameraDeviceFile(const std::string& path);

// The indices of the devices to list, in the order given: all but each PipeWire device that is
// the same camera as a V4L2 one. The same camera: the same device file when both have one, else
// the same name.
std::vector<std::size_t> PreferV4l2Devices(const std::vector<DeviceRecord>& devices);

}  // namespace tavo::media
