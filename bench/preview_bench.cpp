// TavoPreview's live preview: CPU of the control bar with its preview window showing the virtual
// camera at 320 x 240 and at 640 x 480, 30 frames a second, against a bare GStreamer pipeline of
// the same source and conversion in the same run, and against the capture graph with its renderer
// alone (no skinned windows, no controller), which shows where the rest goes.
// Runs under the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "durablefile.h"
#include "jpegfile.h"
#include "media/gstplatform.h"
#include "media/gstref.h"
#include "mediaruntime.h"
#include "previewmainwindow.h"
#include "previewstrings.h"
#include "videorenderer.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;

constexpr int kRunMilliseconds = 4000;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Serves events for `milliseconds`; the process's CPU share meanwhile.
double CpuShareWhileRunning(int milliseconds) {
  const double before = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
  return (CpuSeconds() - before) / (static_cast<double>(wall.elapsed()) / 1000.0);
}

int Width(int resolution) { return resolution == kResolution640 ? 640 : 320; }
int Height(int resolution) { return resolution == kResolution640 ? 480 : 240; }

std::map<int, double> bareShare;

GstFlowReturn DropSample(GstAppSink* sink, gpointer frames) noexcept {
  const media::SamplePtr sample(gst_app_sink_pull_sample(sink));
  ++*static_cast<int*>(frames);
  return GST_FLOW_OK;
}

// The virtual camera's source, format and conversion to BGR, frames dropped: nothing of ours.
void BM_BarePipeline(benchmark::State& state) {
  const int resolution = static_cast<int>(state.range(0));
  gst_init(nullptr, nullptr);
  for (auto _ : state) {
    const std::string description =
        "videotestsrc is-live=true pattern=ball ! video/x-raw,format=YUY2,width=" +
        std::to_string(Width(resolution)) + ",height=" + std::to_string(Height(resolution)) +
        ",framerate=30/1 ! videobalance ! videoconvertscale ! video/x-raw,format=BGR ! "
        "appsink name=out sync=true";
    GError* error = nullptr;
    const media::GstPtr<GstElement> pipeline =
        media::AdoptFloating(gst_parse_launch(description.c_str(), &error));
    if (const media::ErrorPtr failed{error}) {
      state.SkipWithError(failed->message);
      return;
    }
    int frames = 0;
    media::GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = DropSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, &frames, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    const double share = CpuShareWhileRunning(kRunMilliseconds);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    bareShare[resolution] = share;
    state.counters["cpu_percent"] = share * 100;
    state.counters["fps"] = frames * 1000.0 / kRunMilliseconds;
  }
}
BENCHMARK(BM_BarePipeline)
    ->Arg(kResolution320)
    ->Arg(kResolution640)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The capture graph painting into the Video Renderer inside a plain widget of the picture's size.
void BM_GraphWithRenderer(benchmark::State& state) {
  const int resolution = static_cast<int>(state.range(0));
  setenv(media::kVirtualCameraVariable, "1", 1);
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  RecordingMessageBoxes boxes;
  const StringTable strings(PreviewStrings(), Language::English);
  QWidget owner;
  owner.resize(Width(resolution), Height(resolution));
  owner.show();
  for (auto _ : state) {
    CaptureGraph graph(platform, boxes, strings, kCaptureGraphMessageOffset);
    const int count = graph.EnumerateDevices();
    graph.SelectDevice(count - 1);
    graph.SetCaptureFormat(media::kSubtypeRGB24, Width(resolution), Height(resolution), 24);
    const WindowRect rect{0, 0, Width(resolution), Height(resolution)};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&owner);
    if (count == 0 || graph.Build() == 0 || graph.Run() != media::Status::Ok) {
      state.SkipWithError("the virtual camera's graph did not run");
      return;
    }
    const double share = CpuShareWhileRunning(kRunMilliseconds);
    auto* renderer = owner.findChild<ui::VideoRendererWidget*>();
    state.counters["cpu_percent"] = share * 100;
    state.counters["fps"] =
        renderer != nullptr ? renderer->framesShown() * 1000.0 / kRunMilliseconds : 0;
    if (bareShare[resolution] > 0) state.counters["vs_bare"] = share / bareShare[resolution];
    graph.Close();
  }
}
BENCHMARK(BM_GraphWithRenderer)
    ->Arg(kResolution320)
    ->Arg(kResolution640)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A program folder for a benchmark run: the staged skins linked in, a settings store of its own;
// removed at the end. `folder` is empty when it could not be made.
struct BenchProgramFolder {
  explicit BenchProgramFolder(const char* base) {
    std::string pattern = std::string(base) + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder = pattern;
    for (const char* skins : {"Image", "Image_Eng", "Image_Jpn"}) {
      std::error_code ignored;
      fs::create_directory_symlink(fs::path(TAVO_PROGRAM_DIR) / skins, folder / skins, ignored);
    }
  }
  ~BenchProgramFolder() {
    std::error_code ignored;
    if (!folder.empty()) fs::remove_all(folder, ignored);
  }
  BenchProgramFolder(const BenchProgramFolder&) = delete;
  BenchProgramFolder& operator=(const BenchProgramFolder&) = delete;

  PreviewServices Services(CaptureGraph& graph, MessageBoxes& boxes, const StringTable& strings) {
    return PreviewServices{
        graph,           boxes,      strings,
        shell,           saveDialog, RegistryRoot{(folder / "settings.sqlite").string()},
        folder.string(), {},         {}};
  }

  fs::path folder;
  RecordingShell shell;
  ScriptedSaveFileDialog saveDialog;
};

// TavoPreview as it runs: the bar with its skin, the controller, the preview window with its face
// and the renderer, at the wanted resolution.
void BM_TavoPreviewLive(benchmark::State& state) {
  const int resolution = static_cast<int>(state.range(0));
  setenv(media::kVirtualCameraVariable, "1", 1);
  BenchProgramFolder program("/tmp/tavo-preview-bench");
  if (program.folder.empty()) {
    state.SkipWithError("no scratch folder");
    return;
  }
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  RecordingMessageBoxes boxes;
  const StringTable strings(PreviewStrings(), Language::English);
  for (auto _ : state) {
    CaptureGraph graph(platform, boxes, strings, kCaptureGraphMessageOffset);
    PreviewMainWindow window(program.Services(graph, boxes, strings));
    if (!window.Start(kMediaRuntimeComplete)) {
      state.SkipWithError("TavoPreview did not start");
      break;
    }
    window.show();
    if (resolution != kResolution320) window.controller().ChooseResolution(resolution - 1);
    if (graph.runState() != 1 || window.previewWindow() == nullptr) {
      state.SkipWithError("the preview does not run");
      break;
    }
    // Settle: the first frames and the first paints of the faces.
    CpuShareWhileRunning(500);
    // The renderer has no meta-object of its own, so findChild would take any widget for it.
    ui::VideoRendererWidget* renderer = nullptr;
    for (QWidget* child : window.previewWindow()->findChildren<QWidget*>()) {
      if (auto* found = dynamic_cast<ui::VideoRendererWidget*>(child)) renderer = found;
    }
    const int shownBefore = renderer != nullptr ? renderer->framesShown() : 0;
    const double share = CpuShareWhileRunning(kRunMilliseconds);
    state.counters["cpu_percent"] = share * 100;
    state.counters["fps"] =
        renderer != nullptr ? (renderer->framesShown() - shownBefore) * 1000.0 / kRunMilliseconds
                            : 0;
    if (bareShare[resolution] > 0) state.counters["vs_bare"] = share / bareShare[resolution];
    window.close();
  }
}
BENCHMARK(BM_TavoPreviewLive)
    ->Arg(kResolution320)
    ->Arg(kResolution640)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The press to the snapshot file on disk, with the bar and its preview running: what the user
// waits for. Beside it, the two parts it cannot avoid: one frame interval at 30 fps (the frame
// after the press) and the encode and write of that frame.
void BM_SnapshotLatency(benchmark::State& state) {
  const int resolution = static_cast<int>(state.range(0));
  setenv(media::kVirtualCameraVariable, "1", 1);
  BenchProgramFolder program("/var/tmp/tavo-snapshot-bench");
  if (program.folder.empty()) {
    state.SkipWithError("no scratch folder");
    return;
  }
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  RecordingMessageBoxes boxes;
  const StringTable strings(PreviewStrings(), Language::English);
  CaptureGraph graph(platform, boxes, strings, kCaptureGraphMessageOffset);
  PreviewMainWindow window(program.Services(graph, boxes, strings));
  if (!window.Start(kMediaRuntimeComplete)) {
    state.SkipWithError("TavoPreview did not start");
    return;
  }
  window.show();
  PreviewController& controller = window.controller();
  if (resolution != kResolution320) controller.ChooseResolution(resolution - 1);
  CpuShareWhileRunning(500);

  std::vector<double> latencies;
  for (auto _ : state) {
    const std::uint32_t before = controller.store().lastNumber();
    QElapsedTimer waited;
    waited.start();
    if (!controller.TakeSnapshot()) {
      state.SkipWithError("no snapshot could be asked for");
      break;
    }
    while (controller.store().lastNumber() == before && waited.elapsed() < 2000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const double ms = static_cast<double>(waited.nsecsElapsed()) / 1e6;
    if (controller.store().lastNumber() == before ||
        !fs::exists(controller.store().PathOf(controller.store().lastNumber()))) {
      state.SkipWithError("the snapshot did not reach the disk");
      break;
    }
    latencies.push_back(ms);
    state.SetIterationTime(ms / 1000.0);
  }
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["worst_ms"] = latencies.back();
  }

  // The encode and write of one frame of this size, alone.
  const int width = Width(resolution);
  const int height = Height(resolution);
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 7);
  JpegFile jpeg(boxes);
  QElapsedTimer encode;
  encode.start();
  constexpr int kEncodes = 20;
  for (int i = 0; i < kEncodes; ++i) {
    jpeg.RgbToJpeg((program.folder / "encode.jpg").string(), 75, frame.data(), width, height,
                   {Existing::kReplace, 0600});
  }
  const double encodeMs = static_cast<double>(encode.nsecsElapsed()) / 1e6 / kEncodes;
  state.counters["encode_ms"] = encodeMs;
  state.counters["frame_plus_encode_ms"] = 1000.0 / 30 + encodeMs;
  window.close();
}
BENCHMARK(BM_SnapshotLatency)
    ->Arg(kResolution320)
    ->Arg(kResolution640)
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavo::preview

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
