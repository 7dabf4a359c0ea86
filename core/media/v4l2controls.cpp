#include "v4l2controls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace tavo::media {

namespace {

class KernelV4l2Driver final : public V4l2Driver {
 public:
  int Open(const std::string& path) override {
    // Read-only is enough for the control ioctls, and never blocks on a busy device.
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  void Close(int fd) override { ::close(fd); }
  bool Query(int fd, v4l2_queryctrl& query) override {
    return Retrying([&] { return ::ioctl(fd, VIDIOC_QUERYCTRL, &query); });
  }
  bool Set(int fd, std::uint32_t id, std::int32_t value) override {
    v4l2_control control{id, value};
    return Retrying([&] { return ::ioctl(fd, VIDIOC_S_CTRL, &control); });
  }

 private:
  template <typename Call>
  static bool Retrying(Call call) {
    int result;
    do {
      result = call();
    } while (result == -1 && errno == EINTR);
    return result == 0;
  }
};

// A descriptor for one call: the source's own, borrowed, or the device file opened for it.
class Descriptor {
 public:
  Descriptor(V4l2Driver& driver, const V4l2Device& device) : driver_(driver) {
    fd_ = device.heldFd ? device.heldFd() : -1;
    if (fd_ < 0 && !device.path.empty()) {
      fd_ = driver_.Open(device.path);
      owned_ = fd_ >= 0;
    }
  }
  ~Descriptor() {
    if (owned_) driver_.Close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int fd() const { return fd_; }

 private:
  V4l2Driver& driver_;
  int fd_ = -1;
  bool owned_ = false;
};

// The driver's description of `property`'s control; false when there is none to use.
bool QueryProperty(V4l2Driver& driver, int fd, int property, v4l2_queryctrl& query) {
  const std::uint32_t id = V4l2ControlOf(property);
  if (id == 0 || fd < 0) return false;
  query = {};
  query.id = id;
  if (!driver.Query(fd, query) || query.id != id) return false;
  if ((query.flags & V4L2_CTRL_FLAG_DISABLED) != 0) return false;
  if (query.type != V4L2_CTRL_TYPE_INTEGER && query.type != V4L2_CTRL_TYPE_BOOLEAN) return false;
  return query.minimum <= query.maximum;
}

class V4l2ProcAmp final : public ProcAmp {
 public:
  V4l2ProcAmp(V4l2Driver& driver, V4l2Device device)
      : driver_(driver), device_(std::move(device)) {}

  Status GetRange(int property, PropertyRange& range) override {
    const Descriptor fd(driver_, device_);
    v4l2_queryctrl query;
    if (!QueryProperty(driver_, fd.fd(), property, query)) return Status::Fail;
    // A default outside the driver's own range would make a reset that is always refused.
    const long def = std::clamp<long>(query.default_value, query.minimum, query.maximum);
    range = {query.minimum, query.maximum, std::max<long>(1, query.step), def,
             kPropertyFlagsManual};
    return Status::Ok;
  }

  Status Set(int property, long value, long /*flags*/) override {
    const Descriptor fd(driver_, device_);
    v4l2_queryctrl query;
    if (!QueryProperty(driver_, fd.fd(), property, query)) return Status::Fail;
    // The driver would clamp silently; a value it does not offer is not applied at all.
    if (value < query.minimum || value > query.maximum) return Status::Fail;
    if ((query.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0) return Status::Fail;
    return driver_.Set(fd.fd(), query.id, static_cast<std::int32_t>(value)) ? Status::Ok
                                                                            : Status::Fail;
  }

 private:
  V4l2Driver& driver_;
  V4l2Device device_;
};

}  // namespace

V4l2Driver& SystemV4l2Driver() {
  static KernelV4l2Driver driver;
  return driver;
}

std::uint32_t V4l2ControlOf(int property) {
  switch (property) {
    case kPropertyBrightness:
      return V4L2_CID_BRIGHTNESS;
    case kPropertyContrast:
      return V4L2_CID_CONTRAST;
    case kPropertyHue:
      return V4L2_CID_HUE;
    case kPropertySaturation:
      return V4L2_CID_SATURATION;
    case kPropertySharpness:
      return V4L2_CID_SHARPNESS;
    case kPropertyGamma:
      return V4L2_CID_GAMMA;
    default:
      return 0;
  }
}

std::shared_ptr<ProcAmp> MakeV4l2ProcAmp(V4l2Driver& driver, V4l2Device device) {
  return std::make_shared<V4l2ProcAmp>(driver, std::move(device));
}

}  // namespace tavo::media
