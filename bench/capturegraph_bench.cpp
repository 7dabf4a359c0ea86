// The capture graph's costs: CPU of a running 320 x 240 graph with its renderer beside a bare
// GStreamer pipeline of the same source in the same run, and the hand-over copy of one frame.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "capturegraph.h"
#include "framegrabber.h"
#include "media/gstplatform.h"
#include "media/gstref.h"
#include "previewstrings.h"
#include "videorenderer.h"

namespace tavo {
namespace {

constexpr int kRunMilliseconds = 3000;

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

struct CpuShare {
  double process = 0;
  double uiThread = 0;  // the part spent on the user-interface thread
};

// Keeps the user-interface thread serving events for `milliseconds`; returns the CPU share used.
CpuShare CpuShareWhileRunning(int milliseconds) {
  const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  const double threadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
  const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
  return {(CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) / seconds,
          (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore) / seconds};
}

double bareCpuShare = 0;

GstFlowReturn DropSample(GstAppSink* sink, gpointer frames) noexcept {
  const media::SamplePtr sample(gst_app_sink_pull_sample(sink));
  ++*static_cast<int*>(frames);
  return GST_FLOW_OK;
}

// The same source, format and conversion with nothing of ours: the floor to compare against.
void BM_BarePipeline320x240(benchmark::State& state) {
  gst_init(nullptr, nullptr);
  for (auto _ : state) {
    GError* error = nullptr;
    const media::GstPtr<GstElement> pipeline = media::AdoptFloating(gst_parse_launch(
        "videotestsrc is-live=true pattern=ball ! video/x-raw,format=YUY2,width=320,height=240 ! "
        "videobalance ! videoconvertscale ! video/x-raw,format=BGR ! appsink name=out sync=true",
        &error));
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
    const CpuShare share = CpuShareWhileRunning(kRunMilliseconds);
    bareCpuShare = share.process;
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    state.counters["cpu_percent"] = share.process * 100;
    state.counters["ui_cpu_percent"] = share.uiThread * 100;
    state.counters["fps"] = frames * 1000.0 / kRunMilliseconds;
  }
}
BENCHMARK(BM_BarePipeline320x240)->Iterations(1)->Unit(benchmark::kMillisecond);

// Camera, converter, grabber and the Video Renderer widget painting every frame, requesting a
// frame now and then as TavoCCTV does.
void BM_CaptureGraph320x240WithRenderer(benchmark::State& state) {
  setenv(media::kVirtualCameraVariable, "1", 1);
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  RecordingMessageBoxes boxes;
  StringTable strings(preview::PreviewStrings(), Language::English);
  QWidget owner;
  owner.resize(320, 240);
  owner.show();
  for (auto _ : state) {
    CaptureGraph graph(platform, boxes, strings, 0);
    const int count = graph.EnumerateDevices();
    graph.SelectDevice(count - 1);
    graph.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
    const WindowRect rect{0, 0, 320, 240};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&owner);
    if (count == 0 || graph.Build() == 0 || graph.Run() != media::Status::Ok) {
      state.SkipWithError("the virtual camera's graph did not run");
      return;
    }
    const CpuShare share = CpuShareWhileRunning(kRunMilliseconds);
    auto* renderer = owner.findChild<ui::VideoRendererWidget*>();
    state.counters["cpu_percent"] = share.process * 100;
    state.counters["ui_cpu_percent"] = share.uiThread * 100;
    state.counters["fps"] =
        renderer != nullptr ? renderer->framesShown() * 1000.0 / kRunMilliseconds : 0;
    if (bareCpuShare > 0) state.counters["vs_bare"] = share.process / bareCpuShare;
    graph.Close();
  }
}
BENCHMARK(BM_CaptureGraph320x240WithRenderer)->Iterations(1)->Unit(benchmark::kMillisecond);

// One requested 640 x 480 frame: the copy with rows reversed, as the streaming thread does it.
void BM_FrameHandOver640x480(benchmark::State& state) {
  std::vector<std::uint8_t> sample(640 * 480 * 3, 0x7F);
  const media::SampleView view{sample.data(), 640 * 3, 480, 640 * 3, true};
  FrameGrabber grabber;
  for (auto _ : state) {
    grabber.Request();
    grabber.BufferCB(0, view);
    benchmark::DoNotOptimize(grabber.buffer());
    grabber.Take();  // handed back, or the next request is refused
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.size()));
}
BENCHMARK(BM_FrameHandOver640x480);

// A frame nobody asked for: the callback's cost on every other frame.
void BM_UnrequestedFrame(benchmark::State& state) {
  std::vector<std::uint8_t> sample(640 * 480 * 3, 0x7F);
  const media::SampleView view{sample.data(), 640 * 3, 480, 640 * 3, true};
  FrameGrabber grabber;
  for (auto _ : state) benchmark::DoNotOptimize(grabber.BufferCB(0, view));
}
BENCHMARK(BM_UnrequestedFrame);

}  // namespace
}  // namespace tavo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
