// A camera's picture properties straight from its V4L2 driver: the range, step and default of
// each from VIDIOC_QUERYCTRL, a new value by VIDIOC_S_CTRL. A camera keeps its settings between
// opens, so the value it has when it is opened says nothing about its default; only the driver
// knows that.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform.h"

namespace tavo::media {

// The control ioctls of a V4L2 device, behind an interface so that a test can stand in a driver
// of its own.
class V4l2Driver {
 public:
  virtual ~V4l2Driver() = default;
  // Opens the device file at `path` for control ioctls only; -1 when it cannot be opened.
  virtual int Open(const std::string& path) = 0;
  virtual void Close(int fd) = 0;
  // VIDIOC_QUERYCTRL of `query.id`; false when the device has no such control.
  virtual bool Query(int fd, v4l2_queryctrl& query) = 0;
  // VIDIOC_S_CTRL; false when the driver refused the value.
  virtual bool Set(int fd, std::uint32_t id, std::int32_t value) = 0;
};

// The kernel's ioctls. It holds no state.
V4l2Driver& SystemV4l2Driver();

// The V4L2 control behind a picture property (V4L2_CID_BRIGHTNESS...); 0 for none.
std::uint32_t V4l2ControlOf(int property);

// Where a camera's device is found for each call: the descriptor its source holds open (-1 while
// it holds none; no function: never), else the device file, opened for that call alone.
struct V4l2Device {
  std::function<int()> heldFd;
  std::string path;
};

// The picture properties of `device` through `driver` (which must outlive them). GetRange fails
// for a property the driver lacks or has disabled; its default is the driver's, held within the
// range it reports. Set refuses (Fail, nothing written) a value outside that range.
std::shared_ptr<ProcAmp> MakeV4l2ProcAmp(V4l2Driver& driver, V4l2Device device);

}  // namespace tavo::media
