// The surveillance loop with a recording view, a store on a clock the test sets, and frames
// pushed through the real grabber of the simulated platform: which timers start over when.
#include "surveillanceloop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "mail_test_folder.h"
#include "media/simulatedplatform.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo::cctv {
namespace {

// Counts timer starts per timer and hands each grabbed frame to the loop.
class LoopView final : public QObject, public SurveillanceView {
 public:
  void SetTimer(int id, int milliseconds) override {
    periods[id] = milliseconds;
    ++starts[id];
  }
  void KillTimer(int id) override { periods.erase(id); }
  void ShowBars(bool phase) override { bars = phase ? "10101" : "01010"; }
  void HideBars() override { bars = "00000"; }
  bool event(QEvent* e) override {
    if (loop == nullptr || static_cast<int>(e->type()) != WM_FRAME_READY) return QObject::event(e);
    goesOn.push_back(loop->OnFrameReady());
    return true;
  }

  SurveillanceLoop* loop = nullptr;
  std::map<int, int> periods;
  std::map<int, int> starts;
  std::string bars = "00000";
  std::vector<bool> goesOn;
};

class SurveillanceLoopTest : public ::testing::Test {
 protected:
  // Posted events need an application object.
  static void SetUpTestSuite() { tavo::testing::EnsureApplication(); }
  void SetUp() override {
    now.tm_year = 103;
    now.tm_mon = 0;
    now.tm_mday = 17;
    now.tm_hour = 14;
    platform.devices = {
        tavo::testing::SimCamera("TAVO USB Pc Camera", {{kFrameWidth, kFrameHeight}})};
    graph.EnumerateDevices();
    graph.SelectDevice(0);
    graph.SetCaptureFormat(media::kSubtypeRGB24, kFrameWidth, kFrameHeight, 24);
    const WindowRect rect{0, 0, kFrameWidth, kFrameHeight};
    graph.SetVideoWindow(&view, &rect);
    graph.SetFrameTarget(&view);
    ASSERT_NE(graph.Build(), 0);
    ASSERT_EQ(graph.Run(), media::Status::Ok);
    view.loop = &loop;
  }
  void TearDown() override { graph.Close(); }

  void Tick() {
    now.tm_sec += 1;
    std::mktime(&now);
  }
  // One frame tick and one frame of grey level `level` delivered to the view.
  void Frame(std::uint8_t level) {
    loop.FrameTick();
    std::vector<std::uint8_t> pixels(kFrameBytes, level);
    platform.DeliverSample({pixels.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3, false});
    QCoreApplication::sendPostedEvents(&view);
  }

  tavo::testing::MailTestFolder folder;
  std::tm now{};
  bool writeOk = true;
  std::function<void()> duringWrite;
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings{{}, Language::English};
  CaptureGraph graph{platform, boxes, strings, 0};
  LoopView view;
  RecordingStore store{folder.path().string(), "English", [this] { return std::optional(now); },
                       [this](const std::string& path, int, const std::uint8_t*, std::uint32_t,
                              std::uint32_t, const WriteOptions&) {
                         if (duringWrite) duringWrite();
                         if (writeOk) std::ofstream(path) << "jpeg";
                         return writeOk ? WriteResult::kWritten : WriteResult::kFailed;
                       }};
  MotionDetector motion;
  SurveillanceLoop loop{view, graph, store, motion};
};

TEST_F(SurveillanceLoopTest, ARateChangeStartsOnlyTheFrameTimerOverAndOnlyWhileOn) {
  loop.SetCaptureRate(7);
  EXPECT_EQ(loop.captureRate(), 7);
  EXPECT_TRUE(view.starts.empty());
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  EXPECT_EQ(view.periods[kFrameTimer], 128);
  EXPECT_EQ(view.periods[kBlinkTimer], 500);
  loop.SetCaptureRate(9);
  EXPECT_EQ(view.periods[kFrameTimer], 100);
  EXPECT_EQ(view.starts[kFrameTimer], 2);
  EXPECT_EQ(view.starts[kBlinkTimer], 1);  // the bars keep their rhythm
  loop.Stop();
  EXPECT_TRUE(view.periods.empty());
  EXPECT_EQ(view.bars, "00000");
}

TEST_F(SurveillanceLoopTest, AFullRunStartsBothTimersOverWithTheNextOne) {
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  const std::string first = store.runFolder();
  // Stand in for 10,000 earlier images; the clock has not moved, so the same run opens again.
  std::ofstream(first + "/14h00m00s_01-17-03_010000.jpg") << "x";
  ASSERT_TRUE(loop.OpenRun());
  ASSERT_EQ(store.imageCounter(), kRolloverAfter);
  Frame(0);
  Tick();
  Frame(200);
  EXPECT_NE(store.runFolder(), first);
  EXPECT_EQ(view.starts[kFrameTimer], 3);
  EXPECT_EQ(view.starts[kBlinkTimer], 3);
  EXPECT_EQ(view.goesOn, std::vector<bool>({true, true}));
}

TEST_F(SurveillanceLoopTest, AFailedWriteStopsSurveillanceOnlyWhileItIsOn) {
  writeOk = false;
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  Frame(0);
  Frame(200);
  EXPECT_EQ(view.goesOn, std::vector<bool>({true, false}));
  // A frame that arrives after the stop fails to write all the same, but asks for nothing.
  loop.Stop();
  Frame(0);
  EXPECT_EQ(view.goesOn.back(), true);
  EXPECT_EQ(view.goesOn.size(), 3u);
}

TEST_F(SurveillanceLoopTest, NoFrameIsRequestedWhileTheFrameIsBeingWritten) {
  // The JPEG layer may show a box in the write, whose loop keeps the frame timer ticking.
  std::vector<bool> requestedDuringWrite;
  duringWrite = [&] {
    loop.FrameTick();
    requestedDuringWrite.push_back(graph.frameGrabber()->requested());
  };
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  Frame(0);
  Frame(200);
  Frame(0);
  EXPECT_EQ(requestedDuringWrite, std::vector<bool>({false, false}));
  loop.FrameTick();
  EXPECT_TRUE(graph.frameGrabber()->requested());  // asked again once the write is done
}

TEST_F(SurveillanceLoopTest, ATickWhileTheFrameIsQueuedAsksForNothingAndEveryFrameIsTaken) {
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  const std::vector<std::uint8_t> grey(kFrameBytes, 0), small(160 * 120 * 3, 200);
  loop.FrameTick();
  platform.DeliverSample({grey.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3, false});
  loop.FrameTick();  // the event is still queued
  EXPECT_FALSE(graph.frameGrabber()->requested());
  QCoreApplication::sendPostedEvents(&view);
  EXPECT_FALSE(graph.frameGrabber()->delivered());
  // A frame of another size is not judged, but taken all the same: ticks go on asking.
  loop.FrameTick();
  platform.DeliverSample({small.data(), 160 * 3, 120, 160 * 3, false});
  QCoreApplication::sendPostedEvents(&view);
  loop.FrameTick();
  EXPECT_TRUE(graph.frameGrabber()->requested());
  EXPECT_EQ(view.goesOn, std::vector<bool>({true, true}));
  EXPECT_EQ(store.imageCounter(), 0);
}

TEST_F(SurveillanceLoopTest, FramesBeneathAnAlertBoxAreRecordedAndTheFullRunRollsOverOnce) {
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  const std::string first = store.runFolder();
  // Stand in for 9,985 earlier images: image 10001 ends both a batch and the run.
  std::ofstream(first + "/14h00m00s_01-17-03_009985.jpg") << "x";
  ASSERT_TRUE(loop.OpenRun());
  int alerts = 0;
  store.SetAlertHook([] { return true; },
                     [&](const AlertBatch&) {
                       if (alerts++ > 0) return;
                       // The alert's box is open: the timers fire and frames arrive beneath it.
                       Tick();
                       Frame(200);
                       Frame(0);
                     });
  Frame(0);
  for (int i = 0; i < 16; ++i) Frame(i % 2 == 0 ? 200 : 0);
  EXPECT_EQ(alerts, 1);
  EXPECT_NE(store.runFolder(), first);
  EXPECT_EQ(store.imageCounter(), 2);
  EXPECT_EQ(view.starts[kFrameTimer], 3);  // two opened runs, one rollover beneath the box
  EXPECT_EQ(view.starts[kBlinkTimer], 3);
  EXPECT_EQ(view.goesOn, std::vector<bool>(19, true));
}

TEST_F(SurveillanceLoopTest, AStopBeneathAnAlertBoxStaysStopped) {
  loop.SwitchOn();
  ASSERT_TRUE(loop.OpenRun());
  store.SetAlertHook([] { return true; },
                     [&](const AlertBatch&) {
                       // The frame asked for just before the stop still joins the run.
                       loop.FrameTick();
                       loop.Stop();
                       std::vector<std::uint8_t> pixels(kFrameBytes, 200);
                       platform.DeliverSample(
                           {pixels.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3, false});
                       QCoreApplication::sendPostedEvents(&view);
                     });
  Frame(0);
  for (int i = 0; i < 16; ++i) Frame(i % 2 == 0 ? 200 : 0);
  EXPECT_FALSE(loop.on());
  EXPECT_TRUE(view.periods.empty());
  EXPECT_EQ(view.bars, "00000");
  EXPECT_EQ(store.imageCounter(), 17);
  EXPECT_EQ(view.goesOn, std::vector<bool>(18, true));
}

TEST_F(SurveillanceLoopTest, TheBlinkAlternatesTheBars) {
  loop.BlinkTick();
  EXPECT_EQ(view.bars, "10101");
  loop.BlinkTick();
  EXPECT_EQ(view.bars, "01010");
}

}  // namespace
}  // namespace tavo::cctv
