// The camera choice on the simulated platform: the exact name picks the camera, the list shows the
// camera in use, a pick closes the graph only for another camera, and a camera looked for again is
// found by its name.
#include "camerachoice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QObject>

#include "media/simulatedplatform.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo {
namespace {

using ::testing::ElementsAre;
using testing::SimCamera;

constexpr int kNoDevice = 3010;
constexpr StringEntry kEntries[] = {{kNoDevice, "", "no video device", ""}};

class CameraChoiceTest : public ::testing::Test {
 protected:
  // Posted events need an application object.
  static void SetUpTestSuite() { testing::EnsureApplication(); }
  bool Build() {
    graph.SelectDevice(choice.deviceIndex());
    graph.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
    const WindowRect rect{0, 0, 320, 240};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&owner);
    return graph.Build() != 0;
  }

  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings{kEntries, Language::English};
  CaptureGraph graph{platform, boxes, strings, 0};
  QObject owner;
  CameraChoice choice{graph, boxes, strings, kNoDevice};
};

TEST_F(CameraChoiceTest, TheLastExactNameIsUsedAndTheListShowsIt) {
  // Neither a name that only begins the same way nor an earlier camera of the same name is shown
  // in its place.
  platform.devices = {SimCamera("TAVO USB Pc Camera"), SimCamera("TAVO USB Pc Camera (2)"),
                      SimCamera("TAVO USB Pc Camera"), SimCamera("Other")};
  ASSERT_TRUE(choice.Choose());
  EXPECT_EQ(choice.deviceIndex(), 2);
  EXPECT_EQ(graph.videoDeviceIndex(), 2);
  EXPECT_EQ(choice.cameraName(), kPreferredCamera);
  EXPECT_EQ(choice.selection(), 2);
  EXPECT_EQ(choice.names().size(), 4u);

  platform.devices = {SimCamera("Other"), SimCamera("TAVO USB Pc Camera"),
                      SimCamera("TAVO USB Pc Camera")};
  ASSERT_TRUE(choice.Choose());
  EXPECT_EQ(choice.deviceIndex(), 2);
  EXPECT_EQ(choice.selection(), 2);
}

TEST_F(CameraChoiceTest, WithoutTheTavoCameraTheFirstIsUsed) {
  platform.devices = {SimCamera("First"), SimCamera("tavo usb pc camera")};
  ASSERT_TRUE(choice.Choose());
  EXPECT_EQ(choice.deviceIndex(), 0);
  EXPECT_EQ(choice.cameraName(), "First");
  EXPECT_EQ(choice.selection(), 0);
  EXPECT_THAT(choice.names(), ElementsAre("First", "tavo usb pc camera"));
}

TEST_F(CameraChoiceTest, NoCameraIsToldAndTheEarlierListStays) {
  platform.devices = {SimCamera("First")};
  ASSERT_TRUE(choice.Choose());
  platform.devices.clear();
  EXPECT_FALSE(choice.Choose());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "no video device");
  EXPECT_THAT(choice.names(), ElementsAre("First"));
}

TEST_F(CameraChoiceTest, PickingAnotherCameraClosesTheGraphAndTheSameOneDoesNothing) {
  platform.devices = {SimCamera("First"), SimCamera("Second")};
  ASSERT_TRUE(choice.Choose());
  ASSERT_TRUE(Build());
  EXPECT_FALSE(choice.Pick(0));  // the camera of the built graph
  EXPECT_TRUE(graph.built());
  EXPECT_FALSE(choice.Pick(2));
  EXPECT_FALSE(choice.Pick(-1));
  EXPECT_TRUE(choice.Pick(1));
  EXPECT_FALSE(graph.built());
  EXPECT_EQ(choice.deviceIndex(), 1);
  EXPECT_EQ(choice.selection(), 1);
  EXPECT_EQ(choice.cameraName(), "Second");
  // Without a graph even the same camera is opened again.
  EXPECT_TRUE(choice.Pick(1));
}

TEST_F(CameraChoiceTest, FindAgainLooksForTheCameraByNameAndAdoptsTheNewList) {
  platform.devices = {SimCamera("Desk"), SimCamera("Hall"), SimCamera("Hall")};
  ASSERT_TRUE(choice.Choose());
  ASSERT_TRUE(choice.Pick(1));  // the first of two cameras called "Hall"
  // Still at its place: kept, though another camera has its name.
  EXPECT_TRUE(choice.FindAgain());
  EXPECT_EQ(choice.deviceIndex(), 1);
  // Its place now holds another camera: the last of its name is taken, as at the start.
  platform.devices = {SimCamera("Hall"), SimCamera("Desk"), SimCamera("Porch"), SimCamera("Hall")};
  EXPECT_TRUE(choice.FindAgain());
  EXPECT_EQ(choice.deviceIndex(), 3);
  EXPECT_EQ(choice.selection(), 3);
  EXPECT_THAT(choice.names(), ElementsAre("Hall", "Desk", "Porch", "Hall"));
  // Missing: the list shows what is there, with nothing selected, and the name is kept.
  platform.devices = {SimCamera("Desk")};
  EXPECT_FALSE(choice.FindAgain());
  EXPECT_THAT(choice.names(), ElementsAre("Desk"));
  EXPECT_EQ(choice.selection(), -1);
  EXPECT_EQ(choice.deviceIndex(), -1);
  EXPECT_EQ(choice.cameraName(), "Hall");
  // Nothing listed at all: the list stays.
  platform.devices.clear();
  EXPECT_FALSE(choice.FindAgain());
  EXPECT_THAT(choice.names(), ElementsAre("Desk"));
  platform.devices = {SimCamera("Hall")};
  EXPECT_TRUE(choice.FindAgain());
  EXPECT_EQ(choice.deviceIndex(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace tavo
