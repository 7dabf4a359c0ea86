// TavoCCTV's controller on the simulated platform: start-up, camera choice, surveillance with the
// real grabber, recording and alerts, the window's commands and viewer mode.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cctv_fixture.h"
#include "mail/mailstrings.h"
#include "mail_results.h"
#include "registrykey.h"
#include "smtp_sink.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using testing::Camera;
using testing::CctvRig;
using ::testing::ElementsAre;

int ImagesIn(const std::string& folder) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(folder)) n += entry.path().extension() == ".jpg";
  return n;
}

TEST(CctvStrings, EveryMessageOfTheWindowIsThereInEachLanguage) {
  const int ids[] = {101,  3002, 3008, 3009, 3010, 3011, 3012, 3020, 3021,
                     3022, 3023, 3024, 3025, 3026, 3027, 3030, 3033, 3036,
                     3086, 3087, 3088, 3089, 3090, 3091, 3092, 3093, 3096};
  for (Language language : {Language::Korean, Language::English, Language::Japanese}) {
    const StringTable table(CctvStrings(), language);
    for (int id : ids) EXPECT_FALSE(table.Text(id).empty()) << id;
  }
  EXPECT_EQ(StringTable(CctvStrings(), Language::Japanese).Text(3028), "CCTV 開始／停止");
  EXPECT_EQ(StringTable(CctvStrings(), Language::Korean).Text(3087), "보내는 이의 메일 주소 입력");
}

TEST(CctvStartup, WithoutACameraTheProgramEnds) {
  CctvRig rig;
  rig.platform.devices.clear();
  EXPECT_FALSE(rig.Make().Start(true, kMediaRuntimeComplete));
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgNoVideoDevice)));
  EXPECT_EQ(rig.view.ended, 1);
}

TEST(CctvStartup, AnOldRuntimeEndsTheProgramAfterTheCameraSteps) {
  CctvRig rig;
  EXPECT_FALSE(rig.Make().Start(true, kMediaRuntimeMinimum - 1));
  ASSERT_FALSE(rig.Messages().empty());
  EXPECT_EQ(rig.Messages().front(), rig.Text(kMsgInstallDirectX));
  EXPECT_TRUE(rig.graph.built());
  EXPECT_EQ(rig.view.ended, 1);
}

TEST(CctvStartup, MissingSkinsAreToldAndStartUpGoesOn) {
  CctvRig rig;
  EXPECT_TRUE(rig.Make().Start(false, kMediaRuntimeComplete));
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgImageLoad)));
  EXPECT_TRUE(rig.graph.built());
  EXPECT_EQ(rig.view.ended, 0);
}

TEST(CctvStartup, AGraphThatCannotBeBuiltLeavesTheWindowUpWithoutPicture) {
  CctvRig rig;
  rig.platform.FailAt(media::SimStep::Render);
  EXPECT_TRUE(rig.Make().Start(true, kMediaRuntimeComplete));
  EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgPreviewFailed));
  EXPECT_EQ(rig.graph.runState(), 0);
}

TEST(CctvStartup, PrefersTheTavoCamera) {
  CctvRig rig;
  rig.platform.devices = {Camera("Other Cam"), Camera(kPreferredCamera)};
  CctvController& c = rig.Started();
  EXPECT_EQ(c.deviceIndex(), 1);
  EXPECT_EQ(c.cameraName(), kPreferredCamera);
  EXPECT_EQ(c.cameraSelection(), 1);
  EXPECT_THAT(c.cameraList(), ElementsAre("Other Cam", kPreferredCamera));
  EXPECT_EQ(rig.graph.videoDeviceIndex(), 1);
}

TEST(CctvStartup, WithoutTheExactTavoNameTakesTheFirstCamera) {
  // The name must match exactly; the list's prefix search has no say in which camera runs.
  CctvRig rig;
  rig.platform.devices = {Camera("First"), Camera("tavo usb pc camera")};
  CctvController& c = rig.Started();
  EXPECT_EQ(c.deviceIndex(), 0);
  EXPECT_EQ(c.cameraName(), "First");
  EXPECT_EQ(c.cameraSelection(), 0);
}

TEST(CctvTimers, FramePeriodFollowsTheCaptureRate) {
  const int expected[] = {900, 450, 300, 225, 180, 150, 128, 112, 100};
  for (int rate = 1; rate <= 9; ++rate) EXPECT_EQ(FrameTimerPeriod(rate), expected[rate - 1]);
}

TEST(CctvTimers, ARateChosenWhileOffIsOnlyStoredAndUsedAtTheStart) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnCaptureRateSelected(6);  // rate 7 while surveillance is off: only stored
  EXPECT_EQ(c.captureRate(), 7);
  EXPECT_TRUE(rig.view.timers.empty());
  c.OnButton(kButtonStartStop);
  EXPECT_EQ(rig.view.timers[kFrameTimer], 128);
  EXPECT_EQ(rig.view.timers[kBlinkTimer], 500);
  c.OnCaptureRateSelected(8);
  EXPECT_EQ(rig.view.timers[kFrameTimer], 100);
}

TEST(CctvTimers, TheBarsBlinkWhileOnAndHideAtTheStop) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonStartStop);
  c.OnTimer(kBlinkTimer);
  EXPECT_EQ(rig.view.bars, "10101");
  c.OnTimer(kBlinkTimer);
  EXPECT_EQ(rig.view.bars, "01010");
  c.OnButton(kButtonStartStop);
  EXPECT_TRUE(rig.view.timers.empty());
  EXPECT_EQ(rig.view.bars, "00000");
}

TEST(CctvTimers, AnUnknownTimerIsTold) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnTimer(7);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgUnknownTimer)));
}

TEST(CctvSurveillance, RecordsMotionFramesIntoTheRunFolder) {
  CctvRig rig;
  CctvController& c = rig.Started();
  rig.Frame(10);  // no request yet: nothing happens before surveillance
  c.OnButton(kButtonStartStop);
  ASSERT_TRUE(c.store().runOpen());
  const std::string run = c.store().runFolder();
  rig.Frame(0);    // the first frame of a run is only the reference
  rig.Frame(200);  // changed: recorded
  rig.Frame(200);  // unchanged: not recorded
  rig.Frame(0);    // changed: recorded
  EXPECT_EQ(c.store().imageCounter(), 2);
  EXPECT_EQ(ImagesIn(run), 2);
  EXPECT_EQ(rig.view.signs, 2);
  // A frame asked for just before the stop is still judged and joins the run just stopped.
  c.OnTimer(kFrameTimer);
  c.OnButton(kButtonStartStop);
  std::vector<std::uint8_t> pixels(kFrameBytes, 200);
  rig.platform.DeliverSample({pixels.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3});
  QCoreApplication::sendPostedEvents(&rig.view);
  EXPECT_EQ(ImagesIn(run), 3);
  EXPECT_TRUE(rig.Messages().empty());
}

TEST(CctvSurveillance, AWriteFailureStopsSurveillanceAndTellsOnce) {
  CctvRig rig;
  CctvController& c =
      rig.Make([](const std::string&, int, const std::uint8_t*, std::uint32_t, std::uint32_t,
                  const WriteOptions&) { return WriteResult::kFailed; });
  c.Start(true, kMediaRuntimeComplete);
  c.OnButton(kButtonStartStop);
  rig.Frame(0);
  rig.Frame(200);
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(rig.view.timers.empty());
  rig.Frame(0);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCannotSave)));
}

TEST(CctvSurveillance, AStartThatRecordsNothingLeavesNoRunFolder) {
  CctvRig rig;
  CctvController& c =
      rig.Make([](const std::string&, int, const std::uint8_t*, std::uint32_t, std::uint32_t,
                  const WriteOptions&) { return WriteResult::kFailed; });
  c.Start(true, kMediaRuntimeComplete);
  const fs::path root = rig.folder.path() / "CCTV_Image";
  // Started and stopped before any picture.
  c.OnButton(kButtonStartStop);
  ASSERT_TRUE(fs::is_directory(c.store().runFolder()));
  c.OnButton(kButtonStartStop);
  EXPECT_TRUE(fs::is_empty(root));
  // The first picture cannot be written (a full disk): surveillance stops, and no run stays.
  c.OnButton(kButtonStartStop);
  rig.Frame(0);
  rig.Frame(200);
  ASSERT_FALSE(c.surveillanceOn());
  EXPECT_TRUE(fs::is_empty(root));
}

TEST(CctvSurveillance, AVanishedImageFolderStopsSurveillance) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonStartStop);
  rig.Frame(0);
  fs::remove_all(c.store().runFolder());
  rig.Frame(200);
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCannotSave)));
}

TEST(CctvSurveillance, ALostCameraIsToldOnceAndFrameTicksWaitForItsReturn) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonStartStop);
  rig.Frame(0);
  ASSERT_TRUE(rig.platform.LoseCamera());
  QCoreApplication::sendPostedEvents(&rig.view);
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_FALSE(rig.graph.built());
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgCameraLost)));
  // Start tries the camera at once (it is listed and opens again); ticks never pile up
  // "Streaming is not working" boxes.
  c.OnButton(kButtonStartStop);
  for (int i = 0; i < 5; ++i) c.OnTimer(kFrameTimer);
  EXPECT_EQ(rig.Messages().size(), 1u);
  // Choosing the running camera again changes nothing, and frames go on.
  c.OnCameraSelected(0);
  EXPECT_TRUE(rig.graph.built());
  rig.Frame(0);
  rig.Frame(200);
  EXPECT_GE(c.store().imageCounter(), 1);
}

class CctvAlertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(inbox);
    sink = std::make_unique<tavo::testing::SmtpSink>(inbox);
    ASSERT_GT(sink->port(), 0) << "aiosmtpd did not start";
    rig.smtpPort = sink->port();
    CctvController& c = rig.Started();
    c.OnMailTextEdited(kEditSmtpServer, "127.0.0.1");
    c.OnMailTextEdited(kEditSender, "cam@example.test");
    c.OnMailTextEdited(kEditRecipient, "me@example.test");
  }
  void Record(int images) {
    rig.Frame(0);
    for (int i = 0; i < images; ++i) rig.Frame(i % 2 == 0 ? 200 : 0);
  }
  tavo::testing::MailTestFolder mailFolder;
  fs::path inbox = mailFolder.path() / "inbox";
  std::unique_ptr<tavo::testing::SmtpSink> sink;
  CctvRig rig;
};

TEST_F(CctvAlertTest, EverySixteenthImageIsMailedWhileAlertsAreOn) {
  CctvController& c = *rig.controller;
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonMailCheck);
  ASSERT_TRUE(c.mailAlertsOn());
  c.OnButton(kButtonStartStop);
  Record(33);
  EXPECT_EQ(c.store().imageCounter(), 33);
  EXPECT_EQ(c.store().compositeCounter(), 2);
  // The mails go out on the mail worker.
  EXPECT_TRUE(tavo::testing::PumpUntil([&] { return !sink->Message(2).empty(); }));
  EXPECT_FALSE(sink->Message(1).empty());
  EXPECT_FALSE(sink->Message(2).empty());
  EXPECT_TRUE(sink->Message(3).empty());
  EXPECT_TRUE(rig.Messages().empty());
}

TEST_F(CctvAlertTest, FramesAreRecordedBeneathABoxOfTheRecordingStep) {
  // The box of a failed composite runs a modal loop: the frame timer fires and frames arrive
  // beneath it, and they are recorded, up to a further batch with its own composite.
  CctvController& c = *rig.controller;
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonMailCheck);
  c.OnButton(kButtonStartStop);
  const std::string run = c.store().runFolder();
  int boxesOpen = 0;
  int imagesWhenOpened = -1;
  rig.boxes.whileOpen = [&](const std::string& text) {
    if (text != rig.Text(kMsgCompositeUnreadable) || boxesOpen++ > 0) return;
    imagesWhenOpened = c.store().imageCounter();
    for (int i = 0; i < 16; ++i) rig.Frame(i % 2 == 0 ? 200 : 0);
    EXPECT_EQ(c.store().imageCounter(), 32);
    EXPECT_TRUE(c.surveillanceOn());
  };
  Record(15);
  for (const auto& entry : fs::directory_iterator(run)) {
    if (entry.path().filename().string().ends_with("_000007.jpg")) fs::remove(entry.path());
  }
  rig.Frame(0);  // image 16: its batch lacks image 7
  EXPECT_EQ(imagesWhenOpened, 16);
  EXPECT_EQ(c.store().imageCounter(), 32);
  EXPECT_EQ(ImagesIn(run), 31);
  EXPECT_EQ(c.store().compositeCounter(), 1);  // images 17 to 32
  EXPECT_TRUE(c.surveillanceOn());
  ASSERT_FALSE(rig.Messages().empty());
  EXPECT_EQ(rig.Messages().front(), rig.Text(kMsgCompositeUnreadable));
  // Recording goes on after the box as before it.
  rig.Frame(200);
  EXPECT_EQ(c.store().imageCounter(), 33);
}

TEST_F(CctvAlertTest, NothingIsMailedWhileAlertsAreOff) {
  CctvController& c = *rig.controller;
  c.OnButton(kButtonStartStop);
  Record(16);
  EXPECT_EQ(c.store().imageCounter(), 16);
  EXPECT_EQ(c.store().compositeCounter(), 0);
  EXPECT_TRUE(sink->Message(1).empty());
}

TEST(CctvWindowCommands, SetUpOpensAndShutsThePanel) {
  CctvRig rig(Language::Japanese);
  CctvController& c = rig.Started();
  c.OnButton(kButtonSetup);
  EXPECT_TRUE(c.configOpen());
  EXPECT_EQ(rig.view.height, kHeightPanel);
  c.OnButton(kButtonSetup);
  EXPECT_EQ(rig.view.height, kHeightNormal);
  // Panel buttons do nothing while the panel is shut.
  c.OnButton(kButtonMailCheck);
  EXPECT_FALSE(c.mailAlertsOn());
}

TEST(CctvWindowCommands, ThePinAlternatesTopmost) {
  CctvRig rig(Language::Japanese);
  CctvController& c = rig.Started();
  c.OnButton(kButtonPin);
  EXPECT_TRUE(rig.view.topmost);
  EXPECT_FALSE(c.pinOff());
  c.OnButton(kButtonPin);
  EXPECT_FALSE(rig.view.topmost);
}

TEST(CctvWindowCommands, HelpOpensThePageOfTheLanguageAndTellsWhenItIsMissing) {
  CctvRig rig(Language::Japanese);
  CctvController& c = rig.Started();
  rig.shell.openResult = kShellFileNotFound;
  c.OnButton(kButtonHelp);
  EXPECT_THAT(rig.shell.opened, ElementsAre(rig.folder.path().string() + "/TAVOCCTVHELP_JPN.html"));
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgHelpMissing)));
  EXPECT_EQ(HelpFile("/p", "Korean"), "/p/TAVOCCTVHELP.html");
  EXPECT_EQ(HelpFile("/p", "Klingon"), "/p/TAVOCCTVHELP_ENG.html");
}

TEST(CctvWindowCommands, MinimiseAndExit) {
  CctvRig rig(Language::Japanese);
  CctvController& c = rig.Started();
  c.OnButton(kButtonMinimise);
  EXPECT_EQ(rig.view.minimised, 1);
  c.OnButton(kButtonExit);
  EXPECT_EQ(rig.view.ended, 1);
}

TEST(CctvViewerMode, ViewerStopsSurveillanceAndFreesTheCameraUntilThePanelHasShut) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonStartStop);
  ASSERT_TRUE(c.surveillanceOn());
  c.OnButton(kButtonViewer);
  EXPECT_FALSE(c.surveillanceOn());
  EXPECT_FALSE(rig.view.timers.contains(kFrameTimer));
  EXPECT_FALSE(rig.graph.built());
  EXPECT_TRUE(c.viewerOpen());
  EXPECT_TRUE(c.viewerLayout());
  EXPECT_FALSE(c.MailBoxShown());
  EXPECT_EQ(rig.view.height, kHeightViewer);
  EXPECT_EQ(rig.view.panelOpened, 1);

  // The slideshow timer drives the viewer; leaving stops it.
  c.viewer().ToggleSlideshow();
  EXPECT_TRUE(rig.view.timers.contains(kSlideshowTimer));
  c.OnButton(kButtonViewer);
  EXPECT_FALSE(c.viewerOpen());
  EXPECT_FALSE(rig.view.timers.contains(kSlideshowTimer));
  EXPECT_EQ(rig.view.panelClosed, 1);
  // Nothing else changes until the panel reports that it has shut.
  EXPECT_EQ(rig.view.height, kHeightViewer);
  EXPECT_TRUE(c.viewerLayout());
  EXPECT_FALSE(rig.graph.built());
  c.OnViewerClosed();
  EXPECT_EQ(rig.view.height, kHeightNormal);
  EXPECT_FALSE(c.viewerLayout());
  EXPECT_TRUE(c.MailBoxShown());
  EXPECT_TRUE(rig.graph.built());
  EXPECT_TRUE(rig.Messages().empty());
}

TEST(CctvViewerMode, StartFromTheViewerStartsAtOnceAndReopensThePanel) {
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonViewer);  // the panel closes first
  EXPECT_FALSE(c.configOpen());
  EXPECT_EQ(rig.view.height, kHeightViewer);

  c.OnButton(kButtonStartStop);  // leaves, surveillance on at once
  EXPECT_TRUE(c.surveillanceOn());
  EXPECT_FALSE(c.viewerOpen());
  EXPECT_TRUE(c.reopenConfig());
  EXPECT_TRUE(rig.view.timers.contains(kFrameTimer));
  rig.Frame(10);  // no camera yet: the tick waits quietly
  EXPECT_TRUE(rig.Messages().empty());
  c.OnViewerClosed();
  EXPECT_TRUE(c.configOpen());
  EXPECT_EQ(rig.view.height, kHeightPanel);
  EXPECT_FALSE(c.reopenConfig());
  EXPECT_TRUE(rig.graph.built());
}

TEST(CctvViewerMode, SetUpFromTheViewerReopensThePanel) {
  // Panel open and surveillance on, as a start from the viewer leaves them.
  CctvRig rig;
  CctvController& c = rig.Started();
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonStartStop);
  ASSERT_TRUE(c.surveillanceOn());

  c.OnButton(kButtonViewer);
  c.OnButton(kButtonSetup);
  EXPECT_FALSE(c.viewerOpen());
  EXPECT_FALSE(c.surveillanceOn());
  c.OnViewerClosed();
  EXPECT_TRUE(c.configOpen());
  EXPECT_EQ(rig.view.height, kHeightPanel);
  // Viewer buttons do nothing outside the viewer.
  c.OnButton(kButtonSlideshow);
  EXPECT_FALSE(c.viewer().slideshowOn());
}

}  // namespace
}  // namespace tavo::cctv
