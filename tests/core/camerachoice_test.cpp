// The camera choice on the simulated platform: the exact name picks the camera, the list's own
// prefix search picks the entry shown, and a pick closes the graph only for another camera.
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

TEST(FindPrefixed, SearchesAfterTheStartIgnoringCaseAndWrapsRound) {
  const std::vector<std::string> names = {"TAVO USB Pc Camera", "Other", "tavo usb pc camera 2"};
  EXPECT_EQ(FindPrefixed(names, kPreferredCamera), 2);     // entry 0 is looked at last
  EXPECT_EQ(FindPrefixed(names, kPreferredCamera, 2), 0);  // round to the start
  EXPECT_EQ(FindPrefixed({"TAVO USB Pc Camera", "Other"}, kPreferredCamera), 0);
  EXPECT_EQ(FindPrefixed({"Other", "TAVO USB"}, kPreferredCamera), -1);  // a shorter name
  EXPECT_EQ(FindPrefixed({}, kPreferredCamera), -1);
}

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

TEST_F(CameraChoiceTest, TheLastExactNameIsUsedWhileTheListShowsWhatItsSearchFinds) {
  platform.devices = {SimCamera("TAVO USB Pc Camera"), SimCamera("TAVO USB Pc Camera (2)"),
                      SimCamera("TAVO USB Pc Camera"), SimCamera("Other")};
  ASSERT_TRUE(choice.Choose());
  EXPECT_EQ(choice.deviceIndex(), 2);
  EXPECT_EQ(graph.videoDeviceIndex(), 2);
  EXPECT_EQ(choice.cameraName(), kPreferredCamera);
  EXPECT_EQ(choice.selection(), 1);
  EXPECT_EQ(choice.names().size(), 4u);
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

}  // namespace
}  // namespace tavo
