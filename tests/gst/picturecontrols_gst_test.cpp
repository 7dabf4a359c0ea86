// Which picture controls a camera bin gets on GStreamer: a V4L2 source's come from its driver
// (here one in memory), the virtual camera's from its colour balance; both refuse values beyond
// their range.
#include <gst/video/colorbalance.h>
#include <gtest/gtest.h>

#include "fake_v4l2_driver.h"
#include "media/gstinternal.h"

namespace tavo::media {
namespace {

using testing::FakeV4l2Driver;

// A camera bin holding `source` under the source's name, and `after` behind it when given.
GstPtr<GstElement> CameraBin(GstPtr<GstElement> source, GstPtr<GstElement> after = nullptr) {
  GstPtr<GstElement> bin = AdoptFloating(gst_bin_new("camera"));
  gst_bin_add(GST_BIN(bin.get()), source.get());
  if (after != nullptr) {
    gst_bin_add(GST_BIN(bin.get()), after.get());
    gst_element_link(source.get(), after.get());
  }
  return bin;
}

class GstPictureControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr)); }
};

TEST_F(GstPictureControls, AV4l2CameraHasItsDriversRangesAndDefaults) {
  GstPtr<GstElement> source = MakeElement("v4l2src", kSourceName);
  if (source == nullptr) GTEST_SKIP() << "v4l2src is not installed";
  FakeV4l2Driver driver;
  driver.controls[V4L2_CID_BRIGHTNESS] = {0, 255, 1, 128, 201};
  driver.controls[V4L2_CID_GAMMA] = {72, 500, 1, 100, 130};
  g_object_set(source.get(), "device", driver.path.c_str(), nullptr);
  const GstPtr<GstElement> camera = CameraBin(std::move(source));
  RecordPictureDefaults(camera.get());

  // The source has not opened the device: its file is opened for each call and closed again.
  const std::shared_ptr<ProcAmp> procAmp = MakePictureControls(camera.get(), driver);
  ASSERT_NE(procAmp, nullptr);
  PropertyRange range;
  ASSERT_EQ(procAmp->GetRange(kPropertyBrightness, range), Status::Ok);
  EXPECT_EQ(range.defaultValue, 128);
  EXPECT_EQ(range.maximum, 255);
  EXPECT_EQ(procAmp->GetRange(kPropertySaturation, range), Status::Fail);

  EXPECT_EQ(procAmp->Set(kPropertyGamma, 99, kPropertyFlagsManual), Status::Ok);
  EXPECT_EQ(procAmp->Set(kPropertyGamma, 71, kPropertyFlagsManual), Status::Fail);
  EXPECT_EQ(driver.Current(V4L2_CID_GAMMA), 99);
  EXPECT_GT(driver.opens, 0);
  EXPECT_EQ(driver.opens, driver.closes);
}

TEST_F(GstPictureControls, TheVirtualCamerasColourBalanceRefusesValuesBeyondItsChannels) {
  GstPtr<GstElement> balance = MakeElement("videobalance");
  GstElement* balanceElement = balance.get();
  const GstPtr<GstElement> camera =
      CameraBin(MakeElement("videotestsrc", kSourceName), std::move(balance));
  RecordPictureDefaults(camera.get());
  const std::shared_ptr<ProcAmp> procAmp = MakePictureControls(camera.get());
  ASSERT_NE(procAmp, nullptr);

  PropertyRange range;
  ASSERT_EQ(procAmp->GetRange(kPropertyBrightness, range), Status::Ok);
  EXPECT_EQ(range.defaultValue, 0);
  EXPECT_EQ(procAmp->Set(kPropertyBrightness, range.maximum + 1, kPropertyFlagsManual),
            Status::Fail);
  double brightness = -1;
  g_object_get(balanceElement, "brightness", &brightness, nullptr);
  EXPECT_EQ(brightness, 0.0);

  EXPECT_EQ(procAmp->Set(kPropertyBrightness, range.maximum, kPropertyFlagsManual), Status::Ok);
  g_object_get(balanceElement, "brightness", &brightness, nullptr);
  EXPECT_EQ(brightness, 1.0);
}

TEST_F(GstPictureControls, ShownRangesMapOntoTheColourBalanceBothWays) {
  GstPtr<GstElement> balance = MakeElement("videobalance");
  GstElement* balanceElement = balance.get();
  const GstPtr<GstElement> camera =
      CameraBin(MakeElement("videotestsrc", kSourceName), std::move(balance));
  RecordPictureDefaults(camera.get());
  SetShownPictureRanges(
      camera.get(),
      {{kPropertyBrightness, -64, 64}, {kPropertyContrast, 0, 64}, {kPropertySaturation, 0, 128}});
  const std::shared_ptr<ProcAmp> procAmp = MakePictureControls(camera.get());
  ASSERT_NE(procAmp, nullptr);

  struct Case {
    int property;
    long minimum, maximum, defaultValue;
  };
  for (const Case& c : {Case{kPropertyBrightness, -64, 64, 0}, Case{kPropertyContrast, 0, 64, 32},
                        Case{kPropertySaturation, 0, 128, 64}}) {
    PropertyRange range;
    ASSERT_EQ(procAmp->GetRange(c.property, range), Status::Ok);
    EXPECT_EQ(range.minimum, c.minimum);
    EXPECT_EQ(range.maximum, c.maximum);
    EXPECT_EQ(range.defaultValue, c.defaultValue);
    // Every end fits a field of four characters.
    EXPECT_LE(std::to_string(range.minimum).size(), 4u);
    EXPECT_LE(std::to_string(range.maximum).size(), 4u);
    EXPECT_EQ(procAmp->Set(c.property, c.maximum + 1, kPropertyFlagsManual), Status::Fail);
    EXPECT_EQ(procAmp->Set(c.property, c.minimum - 1, kPropertyFlagsManual), Status::Fail);
  }

  double value = 0;
  EXPECT_EQ(procAmp->Set(kPropertyBrightness, -64, kPropertyFlagsManual), Status::Ok);
  g_object_get(balanceElement, "brightness", &value, nullptr);
  EXPECT_EQ(value, -1.0);
  EXPECT_EQ(procAmp->Set(kPropertyContrast, 64, kPropertyFlagsManual), Status::Ok);
  g_object_get(balanceElement, "contrast", &value, nullptr);
  EXPECT_EQ(value, 2.0);
  EXPECT_EQ(procAmp->Set(kPropertySaturation, 32, kPropertyFlagsManual), Status::Ok);
  g_object_get(balanceElement, "saturation", &value, nullptr);
  EXPECT_NEAR(value, 0.5, 0.001);
}

}  // namespace
}  // namespace tavo::media
