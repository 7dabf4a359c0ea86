// TavoCCTV's controller when the camera goes away and comes back, on the simulated platform: the
// loss is told once, the camera is looked for again without a box, surveillance that was on goes
// on in a new run; and surveillance never starts (or runs on) over a camera that does not run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "cctv_fixture.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using testing::Camera;
using testing::CctvRig;
using ::testing::ElementsAre;

// A clock one second further at every reading, so that every run gets a folder of its own.
LocalClock SteppingClock() {
  auto seconds = std::make_shared<int>(0);
  return [seconds] {
    std::tm time{};
    time.tm_year = 124;
    time.tm_mday = 1;
    time.tm_hour = 10;
    time.tm_min = *seconds / 60;
    time.tm_sec = *seconds % 60;
    ++*seconds;
    return std::optional<std::tm>(time);
  };
}

int ImagesIn(const std::string& folder) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(folder)) n += entry.path().extension() == ".jpg";
  return n;
}

class CameraReturnTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.clock = SteppingClock(); }

  CctvController& StartRecording() {
    CctvController& c = rig.Started();
    c.OnButton(kButtonStartStop);
    rig.Frame(0);
    rig.Frame(200);
    return c;
  }
  // The running camera fails and, while `gone`, cannot be opened again.
  void Lose(bool gone = true) {
    for (media::SimDevice& device : rig.platform.devices) device.bindable = !gone;
    ASSERT_TRUE(rig.platform.LoseCamera());
    QCoreApplication::sendPostedEvents(&rig.view);
  }
  void Return() {
    for (media::SimDevice& device : rig.platform.devices) device.bindable = true;
  }
  void RetryTicks(int n) {
    for (int i = 0; i < n; ++i) rig.controller->OnTimer(kCameraRetryTimer);
  }
  bool Timer(int id) const { return rig.view.timers.count(id) != 0; }

  CctvRig rig;
};

TEST_F(CameraReturnTest, ALostCameraIsLookedForQuietlyAndSurveillanceGoesOnInANewRun) {
  CctvController& c = StartRecording();
  const std::string firstRun = c.store().runFolder();
  ASSERT_EQ(ImagesIn(firstRun), 1);

  Lose();
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost)));
  EXPECT_TRUE(c.cameraLost());
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_FALSE(rig.graph.built());
  // Held: no frame or blink timer and no bars while nothing can be recorded.
  EXPECT_FALSE(Timer(kFrameTimer));
  EXPECT_FALSE(Timer(kBlinkTimer));
  EXPECT_EQ(rig.view.bars, "00000");
  EXPECT_EQ(rig.view.timers[kCameraRetryTimer], kCameraRetryPeriod);

  // Every try fails without a box of its own or of the graph's.
  RetryTicks(4);
  EXPECT_EQ(rig.Messages().size(), 1u);
  EXPECT_FALSE(rig.graph.built());
  EXPECT_TRUE(c.cameraLost());

  Return();
  RetryTicks(1);
  EXPECT_EQ(rig.Messages().size(), 1u);
  EXPECT_FALSE(c.cameraLost());
  EXPECT_TRUE(rig.graph.built());
  EXPECT_EQ(rig.graph.runState(), 1);  // the live picture is back
  EXPECT_FALSE(Timer(kCameraRetryTimer));
  ASSERT_TRUE(c.surveillanceOn());
  EXPECT_TRUE(Timer(kFrameTimer));
  EXPECT_TRUE(Timer(kBlinkTimer));
  const std::string secondRun = c.store().runFolder();
  EXPECT_NE(secondRun, firstRun);

  rig.Frame(0);  // the new run's reference
  rig.Frame(200);
  rig.Frame(0);
  EXPECT_EQ(ImagesIn(secondRun), 2);
  EXPECT_EQ(ImagesIn(firstRun), 1);
  EXPECT_EQ(rig.Messages().size(), 1u);
}

TEST_F(CameraReturnTest, LiveCameraComesBackWithoutStartingSurveillanceAndWithItsPicture) {
  CctvController& c = rig.Started();
  c.OnSlider(kSliderBrightness, 30);
  Lose();
  rig.platform.propertyWrites.clear();
  Return();
  RetryTicks(1);
  EXPECT_TRUE(rig.graph.built());
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(rig.view.timers.empty());
  // The camera starts from its own defaults: it is given the sliders' values again.
  EXPECT_THAT(rig.platform.propertyWrites,
              ::testing::Contains(media::PropertyWrite{media::kPropertyBrightness, 30,
                                                       media::kPropertyFlagsManual}));
  EXPECT_EQ(c.FieldText(kFieldBrightness), "30");
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost)));
}

TEST_F(CameraReturnTest, TheSameCameraIsFoundByNameWhereverItIsListedNow) {
  rig.platform.devices = {Camera("Desk Cam"), Camera(kPreferredCamera)};
  CctvController& c = rig.Started();
  ASSERT_EQ(c.deviceIndex(), 1);
  Lose(false);
  // Gone from the list: the camera now at its old place is not taken instead.
  rig.platform.devices = {Camera("Desk Cam")};
  RetryTicks(2);
  EXPECT_FALSE(rig.graph.built());
  EXPECT_THAT(c.cameraList(), ElementsAre("Desk Cam"));
  EXPECT_EQ(c.cameraSelection(), -1);
  // Back at another place.
  rig.platform.devices = {Camera(kPreferredCamera), Camera("Desk Cam")};
  RetryTicks(1);
  ASSERT_TRUE(rig.graph.built());
  EXPECT_EQ(rig.graph.videoDeviceIndex(), 0);
  EXPECT_EQ(c.deviceIndex(), 0);
  EXPECT_EQ(c.cameraSelection(), 0);
  EXPECT_EQ(c.cameraName(), kPreferredCamera);
  EXPECT_THAT(c.cameraList(), ElementsAre(kPreferredCamera, "Desk Cam"));
  EXPECT_EQ(rig.Messages().size(), 1u);
}

TEST_F(CameraReturnTest, EachLossIsToldOnceAndTheViewerPausesTheSearch) {
  CctvController& c = StartRecording();
  Lose();
  Return();
  RetryTicks(1);
  ASSERT_TRUE(c.surveillanceOn());
  Lose();  // gone again after it ran: told again
  EXPECT_EQ(rig.Messages().size(), 2u);

  // The viewer ends held surveillance, as it ends running surveillance; its closed camera is
  // not looked for meanwhile.
  c.OnButton(kButtonViewer);
  Return();
  RetryTicks(2);
  EXPECT_FALSE(rig.graph.built());
  c.OnButton(kButtonViewer);
  c.OnViewerClosed();
  EXPECT_TRUE(rig.graph.built());
  EXPECT_FALSE(c.cameraLost());
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_EQ(rig.Messages().size(), 2u);
}

TEST_F(CameraReturnTest, ALossBeneathTheOpenBoxOfTheLastAddsNoSecondBox) {
  // A loose cable overnight: the camera comes and goes while the first box waits for a click.
  CctvController& c = StartRecording();
  int nested = 0;
  rig.boxes.whileOpen = [&](const std::string&) {
    if (nested++ > 0) return;
    Return();
    RetryTicks(1);
    ASSERT_TRUE(rig.graph.built());
    EXPECT_TRUE(c.surveillanceOn());
    Lose();
  };
  Lose();
  EXPECT_EQ(nested, 1);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost)));
  // Still looked for, and found once it is back.
  Return();
  RetryTicks(1);
  EXPECT_TRUE(rig.graph.built());
  EXPECT_TRUE(c.surveillanceOn());
}

TEST_F(CameraReturnTest, StartWithoutARunningCameraSaysSoOnceInsteadOfBlinking) {
  rig.platform.FailAt(media::SimStep::Render);
  CctvController& c = rig.Started();
  ASSERT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgPreviewFailed)));
  rig.boxes.boxes.clear();
  // One more try at the start; it fails and is told once; surveillance stays off.
  c.OnButton(kButtonStartStop);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgPreviewFailed)));
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(rig.view.timers.empty());
  EXPECT_EQ(rig.view.bars, "00000");
  for (int i = 0; i < 3; ++i) c.OnTimer(kFrameTimer);
  EXPECT_EQ(rig.Messages().size(), 1u);
  // Once the camera can be built, start opens it and surveillance runs.
  rig.platform.Heal();
  c.OnButton(kButtonStartStop);
  EXPECT_TRUE(c.surveillanceOn());
  EXPECT_TRUE(rig.graph.built());
  EXPECT_EQ(rig.Messages().size(), 1u);
}

TEST_F(CameraReturnTest, StartWhileTheCameraIsLostTriesItAndOtherwiseSaysSo) {
  CctvController& c = rig.Started();
  Lose();
  c.OnButton(kButtonStartStop);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost), rig.Text(kMsgCameraLost)));
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_FALSE(Timer(kFrameTimer));
  EXPECT_TRUE(Timer(kCameraRetryTimer));
  // Refused starts are not held: the camera's return starts nothing.
  Return();
  RetryTicks(1);
  EXPECT_FALSE(c.surveillanceOn());
  // With the camera back in the list, start gets it at once.
  Lose(false);
  c.OnButton(kButtonStartStop);
  EXPECT_TRUE(c.surveillanceOn());
  EXPECT_FALSE(c.cameraLost());
  EXPECT_EQ(rig.Messages().size(), 3u);
}

TEST_F(CameraReturnTest, ACameraChangeThatCannotBuildStopsSurveillanceWithOneReport) {
  rig.platform.devices = {Camera(kPreferredCamera), Camera("Broken")};
  rig.platform.devices[1].bindable = false;
  CctvController& c = StartRecording();
  c.OnCameraSelected(1);
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(rig.view.timers.empty());
  EXPECT_EQ(rig.view.bars, "00000");
  // The graph's own step report, then the window's one.
  ASSERT_EQ(rig.Messages().size(), 2u);
  EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgPreviewFailed));
}

TEST_F(CameraReturnTest, StartFromTheViewerWithTheCameraStillLostEndsWithOneReport) {
  CctvController& c = rig.Started();
  Lose();
  c.OnButton(kButtonViewer);
  c.OnButton(kButtonStartStop);  // leaves the viewer and starts at once
  EXPECT_TRUE(c.surveillanceOn());
  c.OnViewerClosed();
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(rig.view.bars == "00000");
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost), rig.Text(kMsgCameraLost)));
  // The search goes on and finds it without starting anything.
  Return();
  RetryTicks(1);
  EXPECT_TRUE(rig.graph.built());
  EXPECT_FALSE(c.surveillanceOn());
}

}  // namespace
}  // namespace tavo::cctv
