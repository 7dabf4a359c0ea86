// A V4L2 driver in memory for the picture-control tests: integer controls with a range, a
// default and a current value that, as on a real camera, survives closing and reopening.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "media/v4l2controls.h"

namespace tavo::testing {

class FakeV4l2Driver final : public media::V4l2Driver {
 public:
  static constexpr int kFd = 41;

  struct Control {
    std::int32_t minimum = 0;
    std::int32_t maximum = 255;
    std::int32_t step = 1;
    std::int32_t defaultValue = 128;
    std::int32_t current = 128;
    std::uint32_t flags = 0;
    std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
  };

  // Controls by V4L2 id.
  std::map<std::uint32_t, Control> controls;
  // The device file Open accepts.
  std::string path = "/dev/video-fake";
  // The driver refuses every write (a grabbed control).
  bool refuseWrites = false;

  int opens = 0;
  int closes = 0;
  std::vector<std::pair<std::uint32_t, std::int32_t>> writes;

  int Open(const std::string& file) override {
    if (file != path) return -1;
    ++opens;
    return kFd;
  }
  void Close(int fd) override {
    if (fd == kFd) ++closes;
  }
  bool Query(int fd, v4l2_queryctrl& query) override {
    const auto found = controls.find(query.id);
    if (fd != kFd || found == controls.end()) return false;
    const Control& control = found->second;
    query.type = control.type;
    query.minimum = control.minimum;
    query.maximum = control.maximum;
    query.step = control.step;
    query.default_value = control.defaultValue;
    query.flags = control.flags;
    return true;
  }
  bool Set(int fd, std::uint32_t id, std::int32_t value) override {
    const auto found = controls.find(id);
    if (fd != kFd || found == controls.end() || refuseWrites) return false;
    writes.emplace_back(id, value);
    found->second.current = value;
    return true;
  }

  std::int32_t Current(std::uint32_t id) const { return controls.at(id).current; }
};

}  // namespace tavo::testing
