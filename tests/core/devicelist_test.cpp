// Which cameras are listed when PipeWire offers the same device as V4L2.
#include "media/devicelist.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavo::media {
namespace {

constexpr DeviceApi kV4l2 = DeviceApi::V4l2;
constexpr DeviceApi kPipeWire = DeviceApi::PipeWire;
constexpr DeviceApi kOther = DeviceApi::Other;

TEST(DeviceList, PipeWiresCopyOfAV4l2CameraIsDroppedAndTheOrderKept) {
  struct Case {
    const char* what;
    std::vector<DeviceRecord> devices;
    std::vector<std::size_t> kept;
  } cases[] = {
      {"the same device file, as PipeWire writes it",
       {{"Camera (V4L2)", kPipeWire, "v4l2:/dev/video0"}, {"Camera", kV4l2, "/dev/video0"}},
       {1}},
      {"two cameras of one model: the device files decide, not the name",
       {{"Cam", kPipeWire, "v4l2:/dev/video0"},
        {"Cam", kPipeWire, "v4l2:/dev/video2"},
        {"Cam", kV4l2, "/dev/video2"}},
       {0, 2}},
      {"PipeWire without a device file: the name decides",
       {{"Front", kV4l2, "/dev/video0"}, {"Front", kPipeWire, ""}, {"Back", kPipeWire, ""}},
       {0, 2}},
      {"a PipeWire camera with no V4L2 twin stays where it is",
       {{"Phone", kPipeWire, "libcamera:/base/cam0"},
        {"USB", kV4l2, "/dev/video0"},
        {"USB", kPipeWire, "v4l2:/dev/video0"},
        {"Tavo Virtual Camera", kOther, ""}},
       {0, 1, 3}},
      {"only V4L2 devices are preferred: others with the same file stay",
       {{"Cam", kOther, "/dev/video0"}, {"Cam", kPipeWire, "/dev/video0"}},
       {0, 1}},
      {"nameless devices without files are not matched by their empty names",
       {{"", kV4l2, ""}, {"", kPipeWire, ""}},
       {0, 1}},
  };
  for (const Case& c : cases) EXPECT_EQ(PreferV4l2Devices(c.devices), c.kept) << c.what;
}

TEST(DeviceList, CameraDeviceFileIsAFileOrNothing) {
  EXPECT_EQ(CameraDeviceFile("/dev/video0"), "/dev/video0");
  EXPECT_EQ(CameraDeviceFile("v4l2:/dev/video2"), "/dev/video2");
  // Paths that name no file must not be taken for one.
  EXPECT_EQ(CameraDeviceFile("libcamera:/base/cam0"), "");
  EXPECT_EQ(CameraDeviceFile("v4l2:"), "");
  EXPECT_EQ(CameraDeviceFile("video0"), "");
  EXPECT_EQ(CameraDeviceFile(""), "");
}

}  // namespace
}  // namespace tavo::media
