// Picture properties straight from a V4L2 driver, on a driver in memory whose current values are
// not its defaults (a real camera keeps what its last user left), and the display-type buttons and
// stored values on top of them.
#include "media/v4l2controls.h"

#include <gtest/gtest.h>

#include <QObject>

#include "capturegraph.h"
#include "fake_v4l2_driver.h"
#include "media/simulatedplatform.h"
#include "picturecontrols.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo {
namespace {

using media::PropertyRange;
using media::Status;
using testing::FakeV4l2Driver;

// A camera left by its last user far from its defaults.
FakeV4l2Driver LeftAlteredCamera() {
  FakeV4l2Driver driver;
  driver.controls[V4L2_CID_BRIGHTNESS] = {-64, 64, 1, 0, 40};
  driver.controls[V4L2_CID_CONTRAST] = {0, 95, 1, 32, 90};
  driver.controls[V4L2_CID_SATURATION] = {0, 100, 1, 64, 3};
  driver.controls[V4L2_CID_GAMMA] = {72, 500, 1, 100, 117};
  return driver;
}

media::V4l2Device HeldOpen() {
  return {[] { return FakeV4l2Driver::kFd; }, ""};
}

TEST(V4l2Controls, RangesAndDefaultsAreTheDriversNotTheCurrentValues) {
  FakeV4l2Driver driver = LeftAlteredCamera();
  driver.controls[V4L2_CID_SHARPNESS] = {0, 7, 1, 9, 3};  // a default beyond the driver's range
  driver.controls[V4L2_CID_HUE] = {-180, 180, 1, 0, 0, V4L2_CTRL_FLAG_DISABLED};
  const auto procAmp = media::MakeV4l2ProcAmp(driver, HeldOpen());

  PropertyRange range;
  ASSERT_EQ(procAmp->GetRange(media::kPropertyBrightness, range), Status::Ok);
  EXPECT_EQ(range.minimum, -64);
  EXPECT_EQ(range.maximum, 64);
  EXPECT_EQ(range.defaultValue, 0);
  ASSERT_EQ(procAmp->GetRange(media::kPropertyGamma, range), Status::Ok);
  EXPECT_EQ(range.defaultValue, 100);
  ASSERT_EQ(procAmp->GetRange(media::kPropertySharpness, range), Status::Ok);
  EXPECT_EQ(range.defaultValue, 7);

  // Controls the driver lacks, has disabled, or that are not numbers are no properties.
  EXPECT_EQ(procAmp->GetRange(media::kPropertyHue, range), Status::Fail);
  driver.controls[V4L2_CID_CONTRAST].type = V4L2_CTRL_TYPE_MENU;
  EXPECT_EQ(procAmp->GetRange(media::kPropertyContrast, range), Status::Fail);
  EXPECT_EQ(procAmp->GetRange(77, range), Status::Fail);
  EXPECT_EQ(driver.opens, 0);  // the source's own descriptor served every call
}

TEST(V4l2Controls, AValueOutsideTheRangeIsRefusedAndChangesNothing) {
  FakeV4l2Driver driver = LeftAlteredCamera();
  const auto procAmp = media::MakeV4l2ProcAmp(driver, HeldOpen());
  EXPECT_EQ(procAmp->Set(media::kPropertyBrightness, 65, 0), Status::Fail);
  EXPECT_EQ(procAmp->Set(media::kPropertyBrightness, -65, 0), Status::Fail);
  // Beyond what the driver's 32 bits hold: refused, not wrapped into range.
  EXPECT_EQ(procAmp->Set(media::kPropertyBrightness, 0x100000000L, 0), Status::Fail);
  EXPECT_TRUE(driver.writes.empty());
  EXPECT_EQ(driver.Current(V4L2_CID_BRIGHTNESS), 40);

  EXPECT_EQ(procAmp->Set(media::kPropertyBrightness, -64, 0), Status::Ok);
  EXPECT_EQ(driver.Current(V4L2_CID_BRIGHTNESS), -64);

  // Read-only controls and writes the driver refuses fail too.
  driver.controls[V4L2_CID_CONTRAST].flags = V4L2_CTRL_FLAG_READ_ONLY;
  EXPECT_EQ(procAmp->Set(media::kPropertyContrast, 10, 0), Status::Fail);
  driver.refuseWrites = true;
  EXPECT_EQ(procAmp->Set(media::kPropertySaturation, 10, 0), Status::Fail);
  EXPECT_EQ(driver.writes.size(), 1u);
}

TEST(V4l2Controls, WithoutAHeldDescriptorTheDeviceFileIsOpenedForEachCall) {
  FakeV4l2Driver driver = LeftAlteredCamera();
  int held = -1;
  const auto procAmp = media::MakeV4l2ProcAmp(driver, {[&held] { return held; }, driver.path});
  PropertyRange range;
  EXPECT_EQ(procAmp->GetRange(media::kPropertyContrast, range), Status::Ok);
  EXPECT_EQ(procAmp->Set(media::kPropertyContrast, 33, 0), Status::Ok);
  EXPECT_EQ(driver.opens, 2);
  EXPECT_EQ(driver.closes, 2);
  EXPECT_EQ(driver.Current(V4L2_CID_CONTRAST), 33);

  // Once the source holds the device open, its descriptor is used and nothing more is opened.
  held = FakeV4l2Driver::kFd;
  EXPECT_EQ(procAmp->GetRange(media::kPropertyContrast, range), Status::Ok);
  EXPECT_EQ(driver.opens, 2);

  // A device file that cannot be opened, or none at all: no properties.
  held = -1;
  driver.path = "/dev/elsewhere";
  EXPECT_EQ(procAmp->GetRange(media::kPropertyContrast, range), Status::Fail);
  const auto pathless = media::MakeV4l2ProcAmp(driver, {nullptr, ""});
  EXPECT_EQ(pathless->GetRange(media::kPropertyContrast, range), Status::Fail);
  EXPECT_EQ(driver.closes, 2);
}

// The picture controls and the capture graph over a camera whose properties are the driver's.
class V4l2PictureControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureApplication(); }

  // One run of a program: the camera opened afresh, its driver keeping what it was left at.
  bool Build() {
    if (graph.built()) graph.Close();
    media::SimDevice camera = testing::SimCamera("TAVO USB Pc Camera");
    camera.procAmp = media::MakeV4l2ProcAmp(driver, HeldOpen());
    platform.devices = {camera};
    graph.EnumerateDevices();
    graph.SelectDevice(0);
    graph.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
    const WindowRect rect{0, 0, 320, 240};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&owner);
    return graph.Build() != 0;
  }

  FakeV4l2Driver driver = LeftAlteredCamera();
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings{{}, Language::English};
  CaptureGraph graph{platform, boxes, strings, 0};
  QObject owner;
  PictureControls controls{
      graph, boxes, strings, {{1004, 1009}, {1005, 1010}, {1006, 1011}, "Software\\Test", 1, 2}};
};

TEST_F(V4l2PictureControlsTest, DisplayTypeButtonsGoBackToTheDriversDefaultsOnEveryRun) {
  for (int run = 0; run < 3; ++run) {
    ASSERT_TRUE(Build()) << run;
    ASSERT_TRUE(controls.ResetDisplayType(true));  // LCD
    EXPECT_EQ(driver.Current(V4L2_CID_BRIGHTNESS), 0);
    EXPECT_EQ(driver.Current(V4L2_CID_CONTRAST), 32);
    EXPECT_EQ(driver.Current(V4L2_CID_SATURATION), 64);
    // One step below the driver's default each time, not one more step below the last run's.
    EXPECT_EQ(driver.Current(V4L2_CID_GAMMA), 99) << run;
    EXPECT_EQ(controls.FieldText(1010), "64");
    EXPECT_EQ(controls.slider(1006)->position, 32);
  }
  driver.controls[V4L2_CID_SATURATION].current = 5;
  ASSERT_TRUE(Build());
  ASSERT_TRUE(controls.ResetDisplayType(false));  // CRT
  EXPECT_EQ(driver.Current(V4L2_CID_GAMMA), 100);
  EXPECT_EQ(driver.Current(V4L2_CID_SATURATION), 64);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(V4l2PictureControlsTest, StoredValuesBeyondThisCamerasRangeAreHeldWithinIt) {
  ASSERT_TRUE(Build());
  controls.Refresh();
  // Stored from a camera with wider ranges: brightness -100 and contrast 200.
  controls.Apply({static_cast<std::uint32_t>(-100), 50, 200});
  EXPECT_EQ(driver.Current(V4L2_CID_BRIGHTNESS), -64);
  EXPECT_EQ(driver.Current(V4L2_CID_SATURATION), 50);
  EXPECT_EQ(driver.Current(V4L2_CID_CONTRAST), 95);
  // What is shown, and stored next, is what the camera has.
  EXPECT_EQ(controls.FieldText(1009), "-64");
  EXPECT_EQ(controls.FieldText(1011), "95");
  EXPECT_EQ(controls.slider(1006)->position, 95);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace tavo
