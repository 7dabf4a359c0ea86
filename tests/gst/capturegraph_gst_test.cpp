// The capture graph on GStreamer with the virtual camera, headless.
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "filehandle.h"
#include "media/gstcaps.h"
#include "media/gstplatform.h"
#include "media/gstref.h"
#include "mediaruntime.h"
#include "previewstrings.h"
#include "scratch_folder.h"
#include "videorenderer.h"

namespace tavo {
namespace {

using media::Status;

// The virtual camera these tests run with: the one the environment names when they start (ctest
// runs them with the YUY2 camera and again with the Motion-JPEG one), else the YUY2 camera. Tests
// that point the variable elsewhere come back to it.
const std::string& CameraMode() {
  static const std::string mode = [] {
    const char* value = std::getenv(media::kVirtualCameraVariable);
    return std::string(value != nullptr ? value : "1");
  }();
  return mode;
}
bool MotionJpegMode() { return CameraMode() == media::kVirtualCameraMotionJpeg; }

class Receiver : public QObject {
 public:
  bool event(QEvent* event) override {
    received.push_back(static_cast<int>(event->type()));
    return true;
  }
  bool WaitFor(int type, int milliseconds = 5000) {
    return QTest::qWaitFor(
        [&] { return std::find(received.begin(), received.end(), type) != received.end(); },
        milliseconds);
  }
  std::vector<int> received;
};

// A short video whose top half is red and bottom half blue, written with GStreamer itself.
std::string WriteTwoHalvesVideo(const std::filesystem::path& path) {
  constexpr int kWidth = 320, kHeight = 240, kFrames = 10;
  GError* error = nullptr;
  const media::GstPtr<GstElement> pipeline = media::AdoptFloating(gst_parse_launch(
      ("appsrc name=in format=time caps=video/x-raw,format=BGR,width=320,height=240,"
       "framerate=10/1 ! matroskamux ! filesink location=\"" +
       path.string() + "\"")
          .c_str(),
      &error));
  if (const media::ErrorPtr failed{error}) return failed->message;
  media::GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  for (int i = 0; i < kFrames; ++i) {
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, kWidth * kHeight * 3, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        std::uint8_t* pixel = map.data + (y * kWidth + x) * 3;
        const bool top = y < kHeight / 2;
        pixel[0] = top ? 0 : 255;  // blue
        pixel[1] = 0;
        pixel[2] = top ? 255 : 0;  // red
      }
    }
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = i * GST_SECOND / 10;
    GST_BUFFER_DURATION(buffer) = GST_SECOND / 10;
    gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer);
  }
  gst_app_src_end_of_stream(GST_APP_SRC(source.get()));
  media::GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
  const media::MessagePtr message(
      gst_bus_timed_pop_filtered(bus.get(), 10 * GST_SECOND,
                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  const bool ended = message != nullptr && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS;
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return ended ? std::string() : "the test video was not written";
}

// Writes the two-halves video into `folder` and makes it what the virtual camera plays. Returns
// what went wrong, empty when nothing did.
std::string PlayTwoHalvesVideo(const testing::ScratchFolder& folder) {
  const auto video = folder.path() / "two-halves.mkv";
  const std::string error = WriteTwoHalvesVideo(video);
  if (error.empty()) setenv(media::kVirtualCameraVariable, video.c_str(), 1);
  return error;
}

// The search for a converter from YUY2 to RGB24 among the filters a graph may use.
media::FilterQuery YuyvToRgbQuery() {
  media::FilterQuery query;
  query.minimumMerit = media::kMeritDoNotUse + 1;
  query.input = {media::kMajorTypeVideo, "YUY2"};
  query.output = {media::kMajorTypeVideo, media::kSubtypeRGB24};
  return query;
}

double Mean(const std::uint8_t* data, std::size_t length) {
  double sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += data[i];
  return length != 0 ? sum / static_cast<double>(length) : 0;
}

class GstCaptureGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv(media::kVirtualCameraVariable, CameraMode().c_str(), 1);
    owner.resize(640, 480);
  }

  // Enumerates, picks the virtual camera and builds at the given size.
  int BuildAt(int width, int height) {
    const int count = graph.EnumerateDevices();
    for (int i = 0; i < count; ++i) {
      if (graph.GetDeviceName(i) == media::kVirtualCameraName) graph.SelectDevice(i);
    }
    graph.SetCaptureFormat(media::kSubtypeRGB24, width, height, 24);
    const WindowRect rect{0, 0, width, height};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&target);
    return graph.Build();
  }

  // Requests one frame and waits for it; its bytes, or none.
  const std::uint8_t* GrabFrame() {
    target.received.clear();
    if (!graph.RequestFrame() || !target.WaitFor(WM_FRAME_READY)) return nullptr;
    return graph.GetFrameBuffer();
  }

  ui::VideoRendererWidget* Renderer() {
    return owner.findChild<ui::VideoRendererWidget*>(QString(), Qt::FindDirectChildrenOnly);
  }

  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform{&surfaces};
  RecordingMessageBoxes boxes;
  StringTable strings{preview::PreviewStrings(), Language::English};
  CaptureGraph graph{platform, boxes, strings, 0};
  QWidget owner;
  Receiver target;
};

TEST_F(GstCaptureGraphTest, VirtualCameraIsListedOnlyWhenAskedFor) {
  const int count = graph.EnumerateDevices();
  ASSERT_GE(count, 1);
  EXPECT_EQ(graph.GetDeviceName(count - 1), media::kVirtualCameraName);
  EXPECT_EQ(graph.DevicePath(count - 1), "") << "the virtual camera has no device file";
  unsetenv(media::kVirtualCameraVariable);
  const int without = graph.EnumerateDevices();
  for (int i = 0; i < without; ++i) EXPECT_NE(graph.GetDeviceName(i), media::kVirtualCameraName);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GstCaptureGraphTest, BuildsRunsAndHandsOverFramesAtEverySizeAndRebuilds) {
  for (auto [width, height] : {std::pair{160, 120}, {320, 240}, {640, 480}}) {
    SCOPED_TRACE(width);
    ASSERT_GT(BuildAt(width, height), 0);
    ASSERT_EQ(graph.Run(), Status::Ok);
    ASSERT_NE(GrabFrame(), nullptr);
    EXPECT_EQ(graph.frameGrabber()->frameLength(), std::size_t(width * height * 3));
    // One request, one event, however many frames pass.
    QTest::qWait(150);
    EXPECT_EQ(std::count(target.received.begin(), target.received.end(), WM_FRAME_READY), 1);
    // The renderer paints inside the owner, at the rectangle given.
    ui::VideoRendererWidget* renderer = Renderer();
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return renderer->framesShown() > 0; }, 5000));
    EXPECT_EQ(renderer->geometry(), QRect(0, 0, width, height));
    EXPECT_EQ(renderer->frame().size(), QSize(width, height));
    ASSERT_TRUE(graph.Close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Renderer() == nullptr; }, 2000));
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GstCaptureGraphTest, AFrameNotYetTakenIsLeftAloneByTheFramesStreamingPast) {
  ASSERT_GT(BuildAt(320, 240), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  const std::size_t length = 320 * 240 * 3;
  ASSERT_TRUE(graph.RequestFrame());
  ASSERT_TRUE(target.WaitFor(WM_FRAME_READY));
  // As a frame tick while the event waits: refused, and the moving ball streams past the buffer.
  EXPECT_FALSE(graph.RequestFrame());
  const std::uint8_t* buffer = graph.frameGrabber()->buffer();
  const std::vector<std::uint8_t> held(buffer, buffer + length);
  QTest::qWait(300);
  EXPECT_TRUE(std::equal(held.begin(), held.end(), buffer));
  // Taken, the next request is served with a later picture.
  EXPECT_EQ(graph.GetFrameBuffer(), buffer);
  ASSERT_NE(GrabFrame(), nullptr);
  EXPECT_FALSE(std::equal(held.begin(), held.end(), buffer));
  EXPECT_TRUE(graph.Close());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GstCaptureGraphTest, OddWidthFramesArePackedWithoutRowPadding) {
  if (MotionJpegMode()) {
    // The Motion-JPEG camera has three sizes only: the others are refused, and said so.
    EXPECT_EQ(BuildAt(321, 240), 0);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().text, "Image resolution is not supported");
    EXPECT_TRUE(graph.Close());
    return;
  }
  ASSERT_GT(BuildAt(321, 240), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  ASSERT_NE(GrabFrame(), nullptr);
  EXPECT_EQ(graph.frameGrabber()->frameLength(), std::size_t(321 * 240 * 3));
  EXPECT_TRUE(graph.Close());
}

TEST_F(GstCaptureGraphTest, FileCameraFramesAreBgrAndBottomUp) {
  const testing::ScratchFolder folder(std::filesystem::temp_directory_path() /
                                      "tavo-gst-test-XXXXXX");
  ASSERT_EQ(PlayTwoHalvesVideo(folder), "");

  ASSERT_GT(BuildAt(320, 240), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  const std::uint8_t* frame = GrabFrame();
  ASSERT_NE(frame, nullptr);
  // First row in memory is the bottom of the picture: blue, stored B,G,R.
  const std::uint8_t* bottom = frame + 5 * 320 * 3 + 160 * 3;
  EXPECT_GT(bottom[0], 200);
  EXPECT_LT(bottom[2], 60);
  const std::uint8_t* top = frame + 234 * 320 * 3 + 160 * 3;
  EXPECT_LT(top[0], 60);
  EXPECT_GT(top[2], 200);
  EXPECT_LT(top[1], 60);
  // The file loops: frames keep coming after its ten frames have played.
  QTest::qWait(1200);
  EXPECT_NE(GrabFrame(), nullptr);
  EXPECT_TRUE(graph.Close());
}

// What the renderer paints: upright and in true colours out to the last column, also when the
// frames' rows are padded and the width is no multiple of four (321).
TEST_F(GstCaptureGraphTest, RendererShowsTheFileUprightInTrueColoursAtEveryWidth) {
  const testing::ScratchFolder folder(std::filesystem::temp_directory_path() /
                                      "tavo-gst-renderer-XXXXXX");
  ASSERT_EQ(PlayTwoHalvesVideo(folder), "");

  for (int width : {320, 321}) {
    SCOPED_TRACE(width);
    ASSERT_GT(BuildAt(width, 240), 0);
    ASSERT_EQ(graph.Run(), Status::Ok);
    ui::VideoRendererWidget* renderer = Renderer();
    ASSERT_NE(renderer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return renderer->framesShown() > 1; }, 5000));
    const QImage frame = renderer->frame();
    ASSERT_EQ(frame.size(), QSize(width, 240));
    // 32-bit frames are blitted; anything else would be converted again on every paint.
    EXPECT_EQ(frame.format(), QImage::Format_RGB32);
    for (int x : {0, 1, 2, 3, 4, width / 2, width - 5, width - 2, width - 1}) {
      const QColor top = frame.pixelColor(x, 5);
      const QColor bottom = frame.pixelColor(x, 234);
      EXPECT_GT(top.red(), 200) << x;
      EXPECT_LT(top.green(), 60) << x;
      EXPECT_LT(top.blue(), 60) << x;
      EXPECT_LT(bottom.red(), 60) << x;
      EXPECT_LT(bottom.green(), 60) << x;
      EXPECT_GT(bottom.blue(), 200) << x;
    }
    ASSERT_TRUE(graph.Close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Renderer() == nullptr; }, 2000));
  }
}

// The renderer reuses its frame buffers: a frame somebody still holds must not change under them.
TEST_F(GstCaptureGraphTest, HeldRendererFrameStaysAsItWasWhileNewFramesArrive) {
  ASSERT_GT(BuildAt(160, 120), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  ui::VideoRendererWidget* renderer = Renderer();
  ASSERT_NE(renderer, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return renderer->framesShown() > 0; }, 5000));
  const QImage held = renderer->frame();
  const QImage snapshot = held.copy();
  const int shown = renderer->framesShown();
  ASSERT_TRUE(QTest::qWaitFor([&] { return renderer->framesShown() >= shown + 10; }, 5000));
  EXPECT_TRUE(held == snapshot);
  EXPECT_FALSE(renderer->frame() == snapshot);  // the ball moved: newer frames did arrive
  EXPECT_TRUE(graph.Close());
}

TEST_F(GstCaptureGraphTest, UnplayableFileIsNoCamera) {
  const testing::ScratchFolder folder(std::filesystem::temp_directory_path() /
                                      "tavo-gst-bad-XXXXXX");
  const auto bad = folder.path() / "not-a-video.mkv";
  {
    const FilePtr file = OpenFile(bad.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("this is not a video", file.get());
  }
  setenv(media::kVirtualCameraVariable, bad.c_str(), 1);
  EXPECT_EQ(BuildAt(320, 240), 0);
  EXPECT_EQ(boxes.boxes.back().text, "Couldn't bind moniker to filter object!");
  EXPECT_TRUE(graph.Close());
}

// CPU time this process has used, in seconds.
double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST_F(GstCaptureGraphTest, FileCameraWhoseFileEmptiesIsLostWithoutSpinningAndComesBack) {
  const testing::ScratchFolder folder(std::filesystem::temp_directory_path() /
                                      "tavo-gst-truncate-XXXXXX");
  ASSERT_EQ(PlayTwoHalvesVideo(folder), "");
  const std::filesystem::path video = std::getenv(media::kVirtualCameraVariable);
  ASSERT_GT(BuildAt(320, 240), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  ASSERT_NE(GrabFrame(), nullptr);

  std::filesystem::resize_file(video, 0);
  ASSERT_TRUE(target.WaitFor(WM_CAMERA_LOST));
  // Nothing goes on behind the loss: a generous bound, against a loop that takes a whole core.
  const double before = ProcessCpuSeconds();
  QTest::qWait(1000);
  EXPECT_LT(ProcessCpuSeconds() - before, 0.5);
  EXPECT_TRUE(graph.Close());

  // While the file stays empty the camera cannot be opened, and trying does not hang.
  graph.SetQuiet(true);
  QElapsedTimer attempt;
  attempt.start();
  EXPECT_EQ(BuildAt(320, 240), 0);
  EXPECT_LT(attempt.elapsed(), 3000);
  graph.Close();
  graph.SetQuiet(false);

  // The file is back: so is the camera.
  ASSERT_EQ(WriteTwoHalvesVideo(video), "");
  ASSERT_GT(BuildAt(320, 240), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  EXPECT_NE(GrabFrame(), nullptr);
  EXPECT_TRUE(graph.Close());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GstCaptureGraphTest, PropertyChangeShowsInTheNextFrame) {
  ASSERT_GT(BuildAt(160, 120), 0);
  ASSERT_EQ(graph.Run(), Status::Ok);
  media::PropertyRange range;
  ASSERT_TRUE(graph.GetVideoPropertyRange(media::kPropertyBrightness, range));
  EXPECT_LT(range.minimum, range.defaultValue);
  EXPECT_GT(range.maximum, range.defaultValue);
  EXPECT_FALSE(graph.GetVideoPropertyRange(media::kPropertyGamma, range));  // no gamma

  const std::size_t length = 160 * 120 * 3;
  ASSERT_NE(GrabFrame(), nullptr);
  const double before = Mean(graph.GetFrameBuffer(), length);
  ASSERT_TRUE(graph.GetVideoPropertyRange(media::kPropertyBrightness, range));
  ASSERT_TRUE(graph.SetVideoProperty(media::kPropertyBrightness, range.maximum));
  ASSERT_NE(GrabFrame(), nullptr);
  const double brighter = Mean(graph.GetFrameBuffer(), length);
  EXPECT_GT(brighter, before + 100);

  EXPECT_TRUE(graph.ResetVideoProperties());
  EXPECT_TRUE(graph.StepGammaDown());  // no gamma: nothing to step, still true
  ASSERT_NE(GrabFrame(), nullptr);
  EXPECT_NEAR(Mean(graph.GetFrameBuffer(), length), before, 20);
  EXPECT_TRUE(graph.Close());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(GstPlatform, ConverterSearchFindsColourConvertersAboveTheMinimumRank) {
  media::GstPlatform platform(nullptr);
  std::shared_ptr<media::FilterMapper> mapper;
  ASSERT_EQ(platform.CreateFilterMapper(mapper), Status::Ok);
  media::FilterQuery query = YuyvToRgbQuery();
  std::unique_ptr<media::MonikerEnum> found;
  ASSERT_EQ(mapper->EnumMatchingFilters(query, found), Status::Ok);
  std::vector<std::string> names;
  std::shared_ptr<media::Moniker> moniker;
  while (found->Next(moniker) == Status::Ok) {
    std::string name;
    moniker->ReadFriendlyName(name);
    names.push_back(name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "videoconvert"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "videoscale"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "compositor"), names.end());

  // Nothing converts a type GStreamer does not know.
  query.input.subtype = "NOPE";
  ASSERT_EQ(mapper->EnumMatchingFilters(query, found), Status::Ok);
  EXPECT_EQ(found->Next(moniker), Status::False);
  EXPECT_EQ(media::MeritToRank(media::kMeritDoNotUse), 0u);
  EXPECT_EQ(media::MeritToRank(media::kMeritDoNotUse + 1), 1u);
  EXPECT_EQ(media::MeritToRank(0x800000), unsigned(GST_RANK_PRIMARY));
}

// The virtual camera in `mode`, bound straight on the platform. None when it is missing.
std::shared_ptr<media::Filter> BindVirtualCamera(media::Platform& platform, const char* mode) {
  setenv(media::kVirtualCameraVariable, mode, 1);
  std::shared_ptr<media::DeviceEnumerator> devices;
  std::unique_ptr<media::MonikerEnum> monikers;
  if (platform.CreateDeviceEnumerator(devices) != Status::Ok ||
      devices->CreateClassEnumerator(media::DeviceCategory::VideoInput, monikers) != Status::Ok) {
    return nullptr;
  }
  std::shared_ptr<media::Moniker> moniker, virtualCamera;
  while (monikers->Next(moniker) == Status::Ok) virtualCamera = moniker;  // listed last
  std::shared_ptr<media::Filter> camera;
  if (virtualCamera == nullptr || virtualCamera->BindToFilter(camera) != Status::Ok) return nullptr;
  return camera;
}

// The camera's stream configuration, as the graph finds it.
std::shared_ptr<media::StreamConfig> StreamConfigOf(media::Platform& platform,
                                                    media::Filter& camera) {
  std::shared_ptr<media::CaptureGraphBuilder> builder;
  std::shared_ptr<media::StreamConfig> config;
  if (platform.CreateCaptureGraphBuilder(builder) != Status::Ok ||
      builder->FindInterface(media::PinCategory::Capture, camera, config) != Status::Ok) {
    return nullptr;
  }
  return config;
}

// The factory names of the elements inside `bin`, bins themselves left out.
std::vector<std::string> ElementFactories(GstElement* bin) {
  std::vector<std::string> names;
  media::IteratorPtr elements(gst_bin_iterate_recurse(GST_BIN(bin)));
  media::ScopedValue item;
  while (gst_iterator_next(elements.get(), item.get()) == GST_ITERATOR_OK) {
    auto* element = static_cast<GstElement*>(g_value_get_object(item.get()));
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!GST_IS_BIN(element) && factory != nullptr) {
      names.push_back(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
    }
    item.Reset();
  }
  return names;
}

// The GStreamer platform, keeping the graphs it makes for the test to look into.
class WatchedPlatform final : public media::Platform {
 public:
  explicit WatchedPlatform(media::Platform& platform) : platform_(platform) {}
  Status CreateDeviceEnumerator(std::shared_ptr<media::DeviceEnumerator>& enumerator) override {
    return platform_.CreateDeviceEnumerator(enumerator);
  }
  Status CreateFilterGraph(std::shared_ptr<media::Graph>& graph) override {
    const Status status = platform_.CreateFilterGraph(graph);
    last = graph;
    return status;
  }
  Status CreateCaptureGraphBuilder(std::shared_ptr<media::CaptureGraphBuilder>& builder) override {
    return platform_.CreateCaptureGraphBuilder(builder);
  }
  Status CreateFilterMapper(std::shared_ptr<media::FilterMapper>& mapper) override {
    return platform_.CreateFilterMapper(mapper);
  }
  Status CreateFilter(media::FilterId id, std::shared_ptr<media::Filter>& filter) override {
    return platform_.CreateFilter(id, filter);
  }
  std::shared_ptr<media::Graph> last;

 private:
  media::Platform& platform_;
};

// The runtime check at start-up must cover what the graph makes, or a machine that lacks an
// element passes the check and fails later with a box nobody understands. The converter is
// whichever the search finds.
TEST_F(GstCaptureGraphTest, EveryElementOfTheBuiltGraphIsOneTheRuntimeCheckLooksFor) {
  WatchedPlatform watched(platform);
  CaptureGraph watchedGraph(watched, boxes, strings, 0);
  const int count = watchedGraph.EnumerateDevices();
  watchedGraph.SelectDevice(count - 1);  // the virtual camera, listed last
  watchedGraph.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
  const WindowRect rect{0, 0, 320, 240};
  watchedGraph.SetVideoWindow(&owner, &rect);
  watchedGraph.SetFrameTarget(&target);
  ASSERT_GT(watchedGraph.Build(), 0);
  ASSERT_NE(watched.last, nullptr);

  std::shared_ptr<media::Filter> camera, converter;
  ASSERT_EQ(watched.last->FindFilterByName(kCaptureFilterName, camera), Status::Ok);
  GstElement* pipeline = GST_ELEMENT(GST_OBJECT_PARENT(media::ElementOfFilter(*camera)));
  GstElement* skipped = nullptr;
  if (watched.last->FindFilterByName(kConverterFilterName, converter) == Status::Ok) {
    skipped = media::ElementOfFilter(*converter);
  }
  const auto required = RequiredMediaElements();
  std::vector<std::string> names = ElementFactories(pipeline);
  if (skipped != nullptr) {
    const std::string converterName =
        gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(gst_element_get_factory(skipped)));
    names.erase(std::find(names.begin(), names.end(), converterName));
  }
  ASSERT_FALSE(names.empty());
  // The Motion-JPEG camera's pictures are decoded before the converter.
  EXPECT_NE(skipped, nullptr);
  EXPECT_EQ(std::count(names.begin(), names.end(), "jpegdec"), MotionJpegMode() ? 1 : 0);
  for (const std::string& name : names) {
    EXPECT_NE(std::find(required.begin(), required.end(), name), required.end()) << name;
  }
  EXPECT_TRUE(watchedGraph.Close());
}

// A camera with Motion-JPEG only: the sizes it has come out as raw video through the decoder
// inside it (I420, for the converter behind); other sizes and formats are refused; asked for its
// Motion-JPEG as such, it keeps no decoder.
TEST(GstPlatform, MotionJpegCameraIsDecodedAtTheSizesItHas) {
  media::GstPlatform platform(nullptr);
  std::shared_ptr<media::Filter> camera =
      BindVirtualCamera(platform, media::kVirtualCameraMotionJpeg);
  ASSERT_NE(camera, nullptr);
  std::shared_ptr<media::StreamConfig> config = StreamConfigOf(platform, *camera);
  ASSERT_NE(config, nullptr);
  std::shared_ptr<media::Pin> output = GetOutPin(*camera, 0);
  ASSERT_NE(output, nullptr);
  GstElement* bin = media::ElementOfFilter(*camera);
  auto raw = [](int width, int height) {
    return media::MediaType{media::kMajorTypeVideo, "", width, height};
  };
  auto decoders = [&] {
    const std::vector<std::string> names = ElementFactories(bin);
    return std::count(names.begin(), names.end(), "jpegdec");
  };

  // Not yet set: the camera prefers raw video in a format of its choosing.
  media::MediaType read;
  ASSERT_EQ(config->GetFormat(read), Status::Ok);
  EXPECT_EQ(read.majorType, media::kMajorTypeVideo);
  EXPECT_EQ(read.subtype, "");
  EXPECT_EQ(output->QueryAccept(raw(320, 240)), Status::Ok);
  EXPECT_EQ(output->QueryAccept(raw(321, 240)), Status::InvalidMediaType);
  EXPECT_EQ(output->QueryAccept({media::kMajorTypeVideo, media::kSubtypeRGB24, 320, 240, 24}),
            Status::InvalidMediaType);
  EXPECT_EQ(config->SetFormat(raw(321, 240)), Status::InvalidMediaType);
  EXPECT_EQ(config->SetFormat({media::kMajorTypeVideo, "YUY2", 320, 240, 16}),
            Status::InvalidMediaType);
  EXPECT_EQ(decoders(), 0);

  // Each setting replaces the last; the format read back is the one set.
  for (const media::MediaType& type : {raw(320, 240), raw(640, 480), raw(160, 120)}) {
    ASSERT_EQ(config->SetFormat(type), Status::Ok);
    EXPECT_EQ(decoders(), 1);
    ASSERT_EQ(config->GetFormat(read), Status::Ok);
    EXPECT_EQ(read.subtype, "I420");
    EXPECT_EQ(read.width, type.width);
  }
  ASSERT_EQ(config->SetFormat({media::kMajorTypeVideo, "MJPG", 640, 480, 24}), Status::Ok);
  EXPECT_EQ(decoders(), 0);

  // Configured for raw video at 160 x 120, it runs and delivers exactly that.
  ASSERT_EQ(config->SetFormat(raw(160, 120)), Status::Ok);
  const media::GstPtr<GstElement> pipeline = media::AdoptFloating(gst_pipeline_new(nullptr));
  const media::GstPtr<GstElement> sink =
      media::AdoptFloating(gst_element_factory_make("appsink", nullptr));
  gst_bin_add(GST_BIN(pipeline.get()), bin);  // takes a reference of its own
  gst_bin_add(GST_BIN(pipeline.get()), sink.get());
  ASSERT_TRUE(gst_element_link(bin, sink.get()));
  ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  const media::SamplePtr sample(
      gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND));
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(
      media::CapsToMediaTypes(gst_sample_get_caps(sample.get())),
      (std::vector<media::MediaType>{{media::kMajorTypeVideo, "I420", 160, 120, 12, 0, 28800}}));
}

TEST(GstPlatform, CameraFailureWhileRunningStopsTheGraphAndTellsTheOwner) {
  setenv(media::kVirtualCameraVariable, CameraMode().c_str(), 1);
  media::GstPlatform platform(nullptr);
  Receiver target;
  // Camera -> converter -> renderer, straight on the platform, so the test can reach the camera.
  std::shared_ptr<media::Graph> graph;
  ASSERT_EQ(platform.CreateFilterGraph(graph), Status::Ok);
  std::shared_ptr<media::DeviceEnumerator> devices;
  ASSERT_EQ(platform.CreateDeviceEnumerator(devices), Status::Ok);
  std::unique_ptr<media::MonikerEnum> monikers;
  ASSERT_EQ(devices->CreateClassEnumerator(media::DeviceCategory::VideoInput, monikers),
            Status::Ok);
  std::shared_ptr<media::Moniker> moniker, virtualCamera;
  while (monikers->Next(moniker) == Status::Ok) virtualCamera = moniker;  // listed last
  std::shared_ptr<media::Filter> camera, converter;
  ASSERT_EQ(virtualCamera->BindToFilter(camera), Status::Ok);
  // Raw video in the camera's own format (the Motion-JPEG camera's decoded), as the graph asks.
  std::shared_ptr<media::StreamConfig> config = StreamConfigOf(platform, *camera);
  ASSERT_NE(config, nullptr);
  ASSERT_EQ(config->SetFormat({media::kMajorTypeVideo, "", 320, 240}), Status::Ok);
  std::shared_ptr<media::FilterMapper> mapper;
  platform.CreateFilterMapper(mapper);
  media::FilterQuery query = YuyvToRgbQuery();
  query.input.subtype = "";  // any raw format
  std::unique_ptr<media::MonikerEnum> converters;
  ASSERT_EQ(mapper->EnumMatchingFilters(query, converters), Status::Ok);
  ASSERT_EQ(converters->Next(moniker), Status::Ok);
  ASSERT_EQ(moniker->BindToFilter(converter), Status::Ok);
  ASSERT_EQ(graph->AddFilter(camera, "Video Capture"), Status::Ok);
  ASSERT_EQ(graph->AddFilter(converter, "Converter"), Status::Ok);
  ASSERT_EQ(graph->Connect(*GetOutPin(*camera, 0), *GetInPin(*converter, 0)), Status::Ok);
  ASSERT_EQ(graph->Render(*GetOutPin(*converter, 0)), Status::Ok);
  graph->QueryMediaEvent()->SetNotifyTarget(&target, WM_CAMERA_LOST);
  ASSERT_EQ(graph->QueryMediaControl()->Run(), Status::Ok);

  // The camera reports a failure, as a device that was pulled out does.
  GstElement* element = media::ElementOfFilter(*camera);
  ASSERT_NE(element, nullptr);
  const media::ErrorPtr error(
      g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "unplugged"));
  gst_element_post_message(element,
                           gst_message_new_error(GST_OBJECT(element), error.get(), nullptr));
  ASSERT_TRUE(target.WaitFor(WM_CAMERA_LOST));
  EXPECT_EQ(GST_STATE(element), GST_STATE_NULL);
  QTest::qWait(100);
  EXPECT_EQ(std::count(target.received.begin(), target.received.end(), WM_CAMERA_LOST), 1);
  // Stopping and running again works after the failure.
  EXPECT_EQ(graph->QueryMediaControl()->Stop(), Status::Ok);
  EXPECT_EQ(graph->QueryMediaControl()->Run(), Status::Ok);
}

}  // namespace
}  // namespace tavo
