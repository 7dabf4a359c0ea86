#include "capturegraph.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "cctvstrings.h"
#include "media/simulatedplatform.h"
#include "previewstrings.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo {
namespace {

using media::MediaType;
using media::SimStep;
using media::Status;
using testing::VideoType;

media::SimDevice RgbCamera(const char* name = "TAVO USB Pc Camera") {
  media::SimDevice device = testing::SimCamera(name, {{640, 480}, {320, 240}, {160, 120}});
  device.properties = {{media::kPropertyBrightness, {-10, 10, 1, 2, 2}},
                       {media::kPropertyContrast, {0, 20, 1, 11, 2}},
                       {media::kPropertySaturation, {0, 30, 1, 13, 2}},
                       {media::kPropertyGamma, {1, 5, 1, 3, 2}}};
  return device;
}

media::SimDevice YuyvCamera() {
  media::SimDevice device = RgbCamera("Other Camera");
  device.formats = {VideoType("YUY2", 640, 480, 16), VideoType("YUY2", 320, 240, 16)};
  return device;
}

media::SimConverter YuyvConverter(std::uint32_t merit = 0x600000) {
  return {"Colour Converter", "YUY2", {"RGB24", "I420"}, merit};
}

// Counts the events posted to it, by type.
class Receiver : public QObject {
 public:
  bool event(QEvent* event) override {
    received.push_back(static_cast<int>(event->type()));
    return true;
  }
  void Deliver() { QCoreApplication::sendPostedEvents(this); }
  std::vector<int> received;
};

class CaptureGraphTest : public ::testing::Test {
 protected:
  // Posted events need an application object.
  static void SetUpTestSuite() { tavo::testing::EnsureApplication(); }

  // The calling order of both programs, up to Build.
  int Prepare(int width = 320, int height = 240) {
    if (graph.EnumerateDevices() > 0) graph.SelectDevice(0);
    graph.SetCaptureFormat(media::kSubtypeRGB24, width, height, 24);
    const WindowRect rect{0, 0, width, height};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&target);
    return graph.Build();
  }

  // The texts of `numbers` in TavoPreview's English table.
  std::vector<std::string> Texts(std::vector<int> numbers) const {
    std::vector<std::string> texts;
    for (int number : numbers) texts.push_back(strings.Text(number));
    return texts;
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }

  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings{preview::PreviewStrings(), Language::English};
  CaptureGraph graph{platform, boxes, strings, preview::kCaptureGraphMessageOffset};
  Receiver owner;
  Receiver target;
};

// --- Devices -----------------------------------------------------------------------------------

TEST_F(CaptureGraphTest, NoCameraListsNothingSilentlyAndBuildSaysSo) {
  EXPECT_EQ(graph.EnumerateDevices(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(graph.videoDeviceIndex(), -1);
  EXPECT_EQ(Shown(), Texts({3038}));
  EXPECT_EQ(boxes.boxes[0].text, "No video capture device was detected.\r\n\r\n");
  EXPECT_FALSE(graph.built());
}

TEST_F(CaptureGraphTest, EnumerationKeepsOrderSkipsUnreadableNamesAndCutsLongOnes) {
  media::SimDevice unreadable = RgbCamera("hidden");
  unreadable.nameReadable = false;
  // 254 ASCII bytes then a three-byte character: it cannot fit whole into 255 bytes.
  const std::string longName = std::string(254, 'a') + "\xEC\xB9\xB4" + "tail";
  platform.devices = {RgbCamera("First"), unreadable, RgbCamera(longName.c_str())};
  ASSERT_EQ(graph.EnumerateDevices(), 2);
  EXPECT_EQ(graph.GetDeviceName(0), "First");
  EXPECT_EQ(graph.GetDeviceName(1), std::string(254, 'a'));
  EXPECT_TRUE(boxes.boxes.empty());

  // An index equal to the count, or below zero, is refused with the program's message.
  EXPECT_EQ(graph.GetDeviceName(2), std::nullopt);
  EXPECT_EQ(graph.GetDeviceName(-1), std::nullopt);
  EXPECT_FALSE(graph.SelectDevice(2));
  EXPECT_EQ(Shown(), Texts({3025, 3025, 3043}));
  EXPECT_EQ(boxes.boxes[0].text, "Error Device Index. Index is So Big!");
  EXPECT_TRUE(graph.SelectDevice(1));
  EXPECT_EQ(graph.videoDeviceIndex(), 1);
}

TEST_F(CaptureGraphTest, DevicePathsFollowTheListAndOutliveClose) {
  media::SimDevice unreadable = RgbCamera("hidden");
  unreadable.nameReadable = false;
  unreadable.path = "/dev/video4";
  media::SimDevice usb = RgbCamera("USB");
  usb.path = "/dev/video2";
  // A camera without a file (the virtual one) sits between two that have one.
  platform.devices = {unreadable, RgbCamera("Virtual"), usb};
  ASSERT_EQ(graph.EnumerateDevices(), 2);
  EXPECT_EQ(graph.DevicePath(0), "");
  EXPECT_EQ(graph.DevicePath(1), "/dev/video2");
  EXPECT_EQ(graph.DevicePath(2), "");
  EXPECT_EQ(graph.DevicePath(-1), "");
  EXPECT_TRUE(boxes.boxes.empty());

  // Close empties the names but keeps the paths: a preview started again selects by index
  // without listing anew and still needs its camera's file.
  ASSERT_NE(Prepare(), 0);
  ASSERT_TRUE(graph.Close());
  EXPECT_EQ(graph.DevicePath(1), "/dev/video2");

  platform.devices = {RgbCamera("Virtual")};
  ASSERT_EQ(graph.EnumerateDevices(), 1);
  EXPECT_EQ(graph.DevicePath(1), "");
}

TEST_F(CaptureGraphTest, FailedEnumerationCountsZeroWithoutMessage) {
  platform.devices = {RgbCamera()};
  platform.FailAt(SimStep::CreateDeviceEnumerator);
  EXPECT_EQ(graph.EnumerateDevices(), 0);
  platform.Heal();
  platform.FailAt(SimStep::CreateClassEnumerator, Status::False);
  EXPECT_EQ(graph.EnumerateDevices(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, CctvNumbersItsMessagesFourteenHigher) {
  StringTable cctvStrings(cctv::CctvStrings(), Language::English);
  CaptureGraph cctvGraph(platform, boxes, cctvStrings, cctv::kCaptureGraphMessageOffset);
  cctvGraph.GetDeviceName(0);
  cctvGraph.RequestFrame();  // no grabber: silent
  cctvGraph.SetFrameTarget(&target);
  cctvGraph.RequestFrame();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, cctvStrings.Text(3025 + 14));
  EXPECT_EQ(boxes.boxes[0].text, "Error Device Index. Index is So Big!");
  EXPECT_EQ(boxes.boxes[1].text, "Streaming is not working");
  EXPECT_EQ(cctvStrings.Text(3068 + 14), "Streaming is not working");
}

// --- Build -------------------------------------------------------------------------------------

TEST_F(CaptureGraphTest, CameraOfferingRgb24GetsNoConverter) {
  platform.devices = {RgbCamera()};
  EXPECT_EQ(Prepare(320, 240), 3);  // three RGB24 formats on the camera's output
  EXPECT_TRUE(graph.built());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(platform.FilterNames(),
            (std::vector<std::string>{"Video Capture", "SampleGrabber", "Video Renderer"}));
  ASSERT_TRUE(platform.lastSetFormat);
  EXPECT_EQ(*platform.lastSetFormat, VideoType("RGB24", 320, 240, 24));
  const auto graphState = platform.LastGraph();
  EXPECT_EQ(graphState->windowCalls,
            (std::vector<std::string>{"Owner", "Style 46000000", "Left 0", "Top 0", "Width 320",
                                      "Height 240", "MessageDrain"}));
  EXPECT_EQ(graphState->owner, &owner);
}

TEST_F(CaptureGraphTest, CameraRefusingRgb24KeepsItsSubtypeBehindAConverter) {
  platform.devices = {YuyvCamera()};
  platform.converters = {YuyvConverter()};
  EXPECT_EQ(Prepare(320, 240), 1);  // the converter's output offers RGB24 once
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(platform.FilterNames(),
            (std::vector<std::string>{"Video Capture", "KQR_Video Converter Device",
                                      "SampleGrabber", "Video Renderer"}));
  // The camera keeps YUY2 and its bit count at the wanted size.
  MediaType expected = VideoType("YUY2", 320, 240, 16);
  ASSERT_TRUE(platform.lastSetFormat);
  EXPECT_EQ(*platform.lastSetFormat, expected);
  const auto& connections = platform.LastGraph()->connections;
  ASSERT_EQ(connections.size(), 3u);
  EXPECT_EQ(connections[0].from, "Video Capture");
  EXPECT_EQ(connections[0].to, "KQR_Video Converter Device");
  EXPECT_EQ(connections[1].to, "SampleGrabber");
  EXPECT_EQ(connections[2].to, "Video Renderer");
}

TEST_F(CaptureGraphTest, ConverterSearchSkipsDoNotUseMeritAndTakesTheLastMatch) {
  platform.devices = {YuyvCamera()};
  platform.converters = {YuyvConverter(media::kMeritDoNotUse)};
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(Shown(), Texts({3062}));
  EXPECT_EQ(boxes.boxes[0].text, "There's no changing filter");
}

TEST_F(CaptureGraphTest, SizeTheCameraCannotDeliverIsRefused) {
  platform.devices = {YuyvCamera()};
  platform.converters = {YuyvConverter()};
  EXPECT_EQ(Prepare(160, 120), 0);
  EXPECT_EQ(Shown(), Texts({3061}));
  EXPECT_FALSE(graph.built());
}

TEST_F(CaptureGraphTest, NoWantedSubtypeAndARefusalIsUnsupportedResolution) {
  platform.devices = {YuyvCamera()};
  graph.EnumerateDevices();
  graph.SelectDevice(0);
  graph.SetCaptureFormat("", 100, 100, 24);
  EXPECT_EQ(graph.Build(), 0);
  EXPECT_EQ(Shown(), Texts({3061}));
}

TEST_F(CaptureGraphTest, AcceptanceAnswersOtherThanYesOrInvalidFailSilently) {
  media::SimDevice device = RgbCamera();
  device.acceptAnswer = Status::False;
  platform.devices = {device};
  EXPECT_EQ(Prepare(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, NonVideoFormatIsWrongMediaType) {
  media::SimDevice device = RgbCamera();
  device.formats.front().majorType = "Audio";
  platform.devices = {device};
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(Shown(), Texts({3052}));
}

TEST_F(CaptureGraphTest, ConverterWithoutStreamConfigurationCarriesTheType) {
  // The camera has no stream configuration at all: there is no type to start from.
  media::SimDevice device = RgbCamera();
  device.hasStreamConfig = false;
  platform.devices = {device};
  EXPECT_EQ(Prepare(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, BuildTwiceSaysPreviewIsAlreadyWorking) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  EXPECT_EQ(graph.Build(), 0);
  EXPECT_EQ(Shown(), Texts({3063}));
  // A failure past the point of no return still leaves the graph counted as built.
  ASSERT_TRUE(graph.Close());
  platform.FailAt(SimStep::Render);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_TRUE(graph.built());
  EXPECT_EQ(graph.Build(), 0);
  EXPECT_EQ(Shown(), Texts({3063, 3063}));
  EXPECT_TRUE(graph.Close());
}

struct FailureCase {
  SimStep step;
  std::vector<int> messages;
  bool needsConverter = false;
};

class CaptureGraphFailureTest : public CaptureGraphTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CaptureGraphFailureTest, StepFailureShowsItsMessagesAndFailsTheBuild) {
  const FailureCase& failure = GetParam();
  platform.devices = {failure.needsConverter ? YuyvCamera() : RgbCamera()};
  platform.converters = {YuyvConverter()};
  graph.EnumerateDevices();
  graph.SelectDevice(0);
  platform.FailAt(failure.step);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(Shown(), Texts(failure.messages));
  // Whatever was created is released by Close (or was never made).
  boxes.boxes.clear();
  platform.Heal();
  if (platform.LastGraph() != nullptr) {
    EXPECT_TRUE(graph.Close());
    EXPECT_TRUE(boxes.boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CaptureGraphFailureTest,
    ::testing::Values(
        FailureCase{SimStep::CreateFilterGraph, {3031, 3056}},
        FailureCase{SimStep::CreateCaptureGraphBuilder, {3032, 3056}},
        FailureCase{SimStep::QueryMediaControl, {3033, 3056}},
        FailureCase{SimStep::QueryVideoWindow, {3034, 3056}},
        FailureCase{SimStep::QueryMediaEvent, {3035, 3056}},
        FailureCase{SimStep::SetFiltergraph, {3057}},
        FailureCase{SimStep::CreateDeviceEnumerator, {3036}},
        FailureCase{SimStep::CreateClassEnumerator, {3037}},
        FailureCase{SimStep::NextDevice, {3040}}, FailureCase{SimStep::BindDevice, {3039}},
        FailureCase{SimStep::AddCaptureFilter, {3058}}, FailureCase{SimStep::FindInterface, {}},
        FailureCase{SimStep::GetFormat, {}}, FailureCase{SimStep::EnumMediaTypes, {}},
        FailureCase{SimStep::SetFormat, {}}, FailureCase{SimStep::SetFormat, {}, true},
        FailureCase{SimStep::CreateFilterMapper, {}, true},
        FailureCase{SimStep::EnumMatchingFilters, {}, true},
        FailureCase{SimStep::BindConverter, {}, true}, FailureCase{SimStep::AddConverter, {}, true},
        FailureCase{SimStep::Connect, {}, true}, FailureCase{SimStep::CreateGrabber, {}},
        FailureCase{SimStep::AddGrabber, {3064}}, FailureCase{SimStep::Connect, {}},
        FailureCase{SimStep::QuerySampleGrabber, {}}, FailureCase{SimStep::Render, {}}));

TEST_F(CaptureGraphTest, MissingRectangleIsRefused) {
  EXPECT_FALSE(graph.SetVideoWindow(&owner, nullptr));
  EXPECT_EQ(Shown(), Texts({3048}));
}

// --- Run, frames and the camera lost -----------------------------------------------------------

TEST_F(CaptureGraphTest, RequestBeforeBuildCopiesNothing) {
  EXPECT_FALSE(graph.RequestFrame());  // no grabber yet: silent
  EXPECT_EQ(graph.GetFrameBuffer(), nullptr);
  EXPECT_EQ(Shown(), Texts({3067}));
  graph.SetFrameTarget(&target);
  EXPECT_FALSE(graph.RequestFrame());
  EXPECT_EQ(Shown(), Texts({3067, 3068}));
  EXPECT_FALSE(graph.frameGrabber()->requested());
}

TEST_F(CaptureGraphTest, OneCopyPerRequestAndTheEventCarriesTheHandOver) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  const std::vector<std::uint8_t> first(230400, 0x11), second(230400, 0x22);
  const media::SampleView firstView{first.data(), first.size(), 1, first.size(), false};
  const media::SampleView secondView{second.data(), second.size(), 1, second.size(), false};

  EXPECT_FALSE(platform.DeliverSample(firstView));  // not running: nothing streams
  ASSERT_EQ(graph.Run(), Status::Ok);
  EXPECT_EQ(graph.runState(), 1);

  EXPECT_TRUE(platform.DeliverSample(firstView));  // unrequested: dropped
  target.Deliver();
  EXPECT_TRUE(target.received.empty());
  EXPECT_EQ(graph.frameGrabber()->frameLength(), 0u);

  EXPECT_TRUE(graph.RequestFrame());
  EXPECT_TRUE(graph.RequestFrame());
  platform.DeliverSample(firstView);
  platform.DeliverSample(secondView);
  target.Deliver();
  EXPECT_EQ(target.received, std::vector<int>{WM_FRAME_READY});
  const std::uint8_t* frame = graph.GetFrameBuffer();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(graph.frameGrabber()->frameLength(), 230400u);
  EXPECT_EQ(frame[0], 0x11);
  EXPECT_EQ(frame[230399], 0x11);

  EXPECT_TRUE(graph.RequestFrame());
  platform.DeliverSample(secondView);
  target.Deliver();
  EXPECT_EQ(target.received.size(), 2u);
  EXPECT_EQ(graph.GetFrameBuffer()[0], 0x22);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, ADeliveredFrameIsNotRefilledBeforeItIsTaken) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  const std::vector<std::uint8_t> first(230400, 0x11), second(230400, 0x22);
  const media::SampleView firstView{first.data(), first.size(), 1, first.size(), false};
  const media::SampleView secondView{second.data(), second.size(), 1, second.size(), false};

  ASSERT_TRUE(graph.RequestFrame());
  platform.DeliverSample(firstView);
  // A tick while the event is still queued: refused, silently, and nothing is copied.
  EXPECT_TRUE(graph.frameGrabber()->delivered());
  EXPECT_FALSE(graph.RequestFrame());
  EXPECT_FALSE(graph.frameGrabber()->Wanted());
  platform.DeliverSample(secondView);
  target.Deliver();
  EXPECT_EQ(target.received, std::vector<int>{WM_FRAME_READY});
  EXPECT_EQ(graph.GetFrameBuffer()[0], 0x11);
  EXPECT_FALSE(graph.frameGrabber()->delivered());
  // Taken: the next request is served.
  ASSERT_TRUE(graph.RequestFrame());
  platform.DeliverSample(secondView);
  EXPECT_EQ(graph.GetFrameBuffer()[0], 0x22);
  EXPECT_FALSE(graph.frameGrabber()->Take());  // nothing left to take
  EXPECT_TRUE(boxes.boxes.empty());
  // A frame nobody took blocks no graph after Close.
  ASSERT_TRUE(graph.RequestFrame());
  platform.DeliverSample(firstView);
  ASSERT_TRUE(graph.Close());
  ASSERT_NE(Prepare(), 0);
  EXPECT_TRUE(graph.RequestFrame());
}

TEST_F(CaptureGraphTest, FramesFromAStreamingThreadAreNeverTorn) {
  // Every sample is one byte value throughout; a frame that mixes two was overwritten while it
  // was read. The reader also ticks while each frame's event is queued, as the timer can.
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  std::atomic<bool> stop{false};
  std::thread streaming([&] {
    std::vector<std::uint8_t> pixels(230400);
    for (std::uint8_t level = 0; !stop.load(); ++level) {
      std::memset(pixels.data(), level, pixels.size());
      platform.DeliverSample({pixels.data(), pixels.size(), 1, pixels.size(), false});
    }
  });
  int frames = 0;
  int torn = 0;
  int refusalsMissed = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (frames < 300 && std::chrono::steady_clock::now() < deadline) {
    graph.RequestFrame();
    if (!graph.frameGrabber()->delivered()) continue;
    refusalsMissed += graph.RequestFrame();
    target.Deliver();
    const std::uint8_t* frame = graph.GetFrameBuffer();
    for (std::size_t i = 0; i < 230400; ++i) {
      if (frame[i] != frame[0]) {
        ++torn;
        break;
      }
    }
    ++frames;
  }
  stop = true;
  streaming.join();
  target.Deliver();
  EXPECT_EQ(frames, 300);
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(refusalsMissed, 0);
  EXPECT_EQ(target.received.size(), std::size_t(frames));
}

TEST_F(CaptureGraphTest, OversizedSampleIsCutToTheBuffer) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  std::vector<std::uint8_t> big(FrameGrabber::kBufferSize + 4096, 0x5A);
  big[FrameGrabber::kBufferSize - 1] = 0x01;
  graph.RequestFrame();
  platform.DeliverSample({big.data(), big.size(), 1, big.size(), false});
  EXPECT_EQ(graph.frameGrabber()->frameLength(), FrameGrabber::kBufferSize);
  EXPECT_EQ(graph.GetFrameBuffer()[FrameGrabber::kBufferSize - 1], 0x01);
}

TEST_F(CaptureGraphTest, RunFailureIsReportedWithItsCode) {
  EXPECT_EQ(graph.Run(), Status::Fail);  // nothing built
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  platform.FailAt(SimStep::Run, Status::InvalidMediaType);
  EXPECT_EQ(graph.Run(), Status::InvalidMediaType);
  EXPECT_EQ(graph.runState(), 0);
  EXPECT_EQ(Shown(), Texts({3045, 3045}));
}

TEST_F(CaptureGraphTest, LostCameraTellsTheFrameTarget) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  ASSERT_TRUE(platform.LoseCamera());
  target.Deliver();
  EXPECT_EQ(target.received, std::vector<int>{WM_CAMERA_LOST});
  // Closing a graph that stopped by itself still works.
  EXPECT_TRUE(graph.Close());
  EXPECT_TRUE(boxes.boxes.empty());
}

// --- Close -------------------------------------------------------------------------------------

TEST_F(CaptureGraphTest, CloseEmptiesTheGraphAndAllowsARebuild) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(640, 480), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  auto state = platform.LastGraph();
  EXPECT_TRUE(graph.Close());
  EXPECT_FALSE(graph.built());
  EXPECT_EQ(graph.runState(), 0);
  EXPECT_FALSE(state->running);
  EXPECT_TRUE(state->filters.empty());
  EXPECT_EQ(graph.frameGrabber(), nullptr);
  // The list is gone but the index stays: a rebuild at another size needs no new enumeration.
  EXPECT_EQ(graph.GetDeviceName(0), std::nullopt);
  boxes.boxes.clear();
  graph.SetCaptureFormat(media::kSubtypeRGB24, 160, 120, 24);
  graph.SetFrameTarget(&target);
  EXPECT_NE(graph.Build(), 0);
  EXPECT_EQ(*platform.lastSetFormat, VideoType("RGB24", 160, 120, 24));
  EXPECT_NE(graph.frameGrabber(), nullptr);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, CloseWithoutGraphFails) {
  EXPECT_FALSE(graph.Close());
  EXPECT_EQ(Shown(), Texts({3046}));
}

TEST_F(CaptureGraphTest, StopFailureKeepsTheGraphForALaterClose) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  platform.FailAt(SimStep::Stop);
  EXPECT_FALSE(graph.Close());
  EXPECT_EQ(Shown(), Texts({3066, 3046}));
  EXPECT_TRUE(graph.built());
  EXPECT_NE(graph.frameGrabber(), nullptr);
  platform.Heal();
  EXPECT_TRUE(graph.Close());
}

TEST_F(CaptureGraphTest, TeardownFailuresFailTheClose) {
  for (SimStep step : {SimStep::RemoveFilter, SimStep::EnumFilters}) {
    platform.devices = {RgbCamera()};
    ASSERT_NE(Prepare(), 0);
    platform.FailAt(step);
    EXPECT_FALSE(graph.Close());
    platform.Heal();
    EXPECT_TRUE(graph.Close());
  }
  ASSERT_NE(Prepare(), 0);
  platform.FailAt(SimStep::ResetFilterEnum, Status::EnumOutOfSync);
  EXPECT_FALSE(graph.Close());
  EXPECT_EQ(Shown(), Texts({3046, 3046, 3046}));
}

TEST_F(CaptureGraphTest, DestructionStopsARunningGraph) {
  platform.devices = {RgbCamera()};
  std::shared_ptr<media::SimGraphState> state;
  {
    CaptureGraph scoped(platform, boxes, strings, 0);
    scoped.EnumerateDevices();
    scoped.SelectDevice(0);
    scoped.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
    scoped.SetFrameTarget(&target);
    ASSERT_NE(scoped.Build(), 0);
    ASSERT_EQ(scoped.Run(), Status::Ok);
    state = platform.LastGraph();
  }
  EXPECT_FALSE(state->running);
  EXPECT_TRUE(state->filters.empty());
}

// --- Picture properties ------------------------------------------------------------------------

TEST_F(CaptureGraphTest, ResetAndGammaStepUseTheDefaults) {
  platform.devices = {RgbCamera()};
  ASSERT_NE(Prepare(), 0);
  const long manual = media::kPropertyFlagsManual;
  EXPECT_TRUE(graph.ResetVideoProperties());
  EXPECT_TRUE(graph.StepGammaDown());
  EXPECT_EQ(platform.propertyWrites,
            (std::vector<media::PropertyWrite>{
                {0, 2, manual}, {1, 11, manual}, {3, 13, manual}, {5, 3, manual}, {5, 2, manual}}));
  media::PropertyRange range;
  EXPECT_TRUE(graph.GetVideoPropertyRange(media::kPropertyContrast, range));
  EXPECT_EQ(range.maximum, 20);
  EXPECT_TRUE(graph.SetVideoProperty(media::kPropertyContrast, 7));
  EXPECT_EQ(platform.propertyWrites.back(), (media::PropertyWrite{1, 7, manual}));
}

TEST_F(CaptureGraphTest, ResetWithoutGammaStillSucceeds) {
  media::SimDevice device = RgbCamera();
  device.properties.erase(media::kPropertyGamma);
  platform.devices = {device};
  ASSERT_NE(Prepare(), 0);
  EXPECT_TRUE(graph.ResetVideoProperties());
  EXPECT_TRUE(graph.StepGammaDown());
  ASSERT_EQ(platform.propertyWrites.size(), 3u);
  EXPECT_EQ(platform.propertyWrites[2].property, media::kPropertySaturation);
  media::PropertyRange range;
  EXPECT_FALSE(graph.GetVideoPropertyRange(media::kPropertyGamma, range));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureGraphTest, PropertiesWithoutSourceOrAmplifier) {
  media::PropertyRange range;
  EXPECT_FALSE(graph.SetVideoProperty(0, 1));
  EXPECT_FALSE(graph.GetVideoPropertyRange(0, range));
  EXPECT_TRUE(graph.ResetVideoProperties());
  EXPECT_TRUE(graph.StepGammaDown());
  EXPECT_TRUE(boxes.boxes.empty());

  media::SimDevice device = RgbCamera();
  device.hasProcAmp = false;
  platform.devices = {device};
  ASSERT_NE(Prepare(), 0);
  EXPECT_FALSE(graph.SetVideoProperty(0, 1));
  EXPECT_FALSE(graph.ResetVideoProperties());
  EXPECT_FALSE(graph.GetVideoPropertyRange(0, range));
  EXPECT_EQ(Shown(), Texts({3071}));
  EXPECT_TRUE(platform.propertyWrites.empty());
}

}  // namespace
}  // namespace tavo
