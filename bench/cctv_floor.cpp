// The fair floor for TavoCCTV in surveillance: the virtual camera's pipeline painting every frame
// into the Video Renderer, and, once told, a given number of pictures per second handed to the
// user-interface thread and written there by the suite's JPEG encoder, each into a new file.
// Nothing else of TavoCCTV's: no motion test, no turning, no timers, no skinned window.
//
// Usage: cctv_floor FOLDER PICTURES_PER_SECOND
// Paints only until it gets SIGUSR1; from then on it writes FOLDER/picture_NNNNNN.jpg at the
// rate, until it is ended by a signal. bench/cctv_bench.sh runs it with the rate TavoCCTV reached.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "jpegfile.h"
#include "media/gstref.h"
#include "messageboxes.h"
#include "motiondetector.h"
#include "recordingstore.h"
#include "videorenderer.h"

namespace {

using namespace tavo;
using cctv::kFrameBytes;
using cctv::kFrameHeight;
using cctv::kFrameWidth;
using Clock = std::chrono::steady_clock;

constexpr QEvent::Type kPictureEvent = static_cast<QEvent::Type>(QEvent::User + 1);
constexpr std::size_t kRowBytes = std::size_t{kFrameWidth} * 3;

std::atomic<bool> recordFlag{false};
extern "C" void StartRecording(int) { recordFlag.store(true, std::memory_order_relaxed); }

// Takes frames on the streaming thread, writes pictures on the user-interface thread.
class Recorder final : public QObject {
 public:
  Recorder(std::string folder, double rate, std::unique_ptr<media::VideoSurface> surface)
      : folder_(std::move(folder)),
        rate_(rate),
        surface_(std::move(surface)),
        picture_(kFrameBytes) {}

  // Streaming thread: paints every frame; copies one for a picture when one is due and the last
  // is written.
  void OnFrame(const std::uint8_t* data, int width, int height, int stride) {
    surface_->Present(data, width, height, stride);
    if (rate_ <= 0 || width != kFrameWidth || height != kFrameHeight) return;
    if (!recordFlag.load(std::memory_order_relaxed)) return;
    const Clock::time_point now = Clock::now();
    if (!started_) {
      started_ = true;
      start_ = now;
    }
    const double due = std::chrono::duration<double>(now - start_).count() * rate_;
    if (double(taken_) >= due || pending_.load(std::memory_order_acquire)) return;
    for (int y = 0; y < kFrameHeight; ++y) {
      copySwapped_(picture_.data() + std::size_t(y) * kRowBytes,
                   data + std::size_t(y) * std::size_t(stride));
    }
    ++taken_;
    pending_.store(true, std::memory_order_release);
    QCoreApplication::postEvent(this, new QEvent(kPictureEvent));
  }

  bool event(QEvent* event) override {
    if (event->type() != kPictureEvent) return QObject::event(event);
    char name[32];
    std::snprintf(name, sizeof name, "/picture_%06d.jpg", ++written_);
    if (!JpegFile(boxes_).RgbToJpeg(folder_ + name, cctv::kImageQuality, picture_.data(),
                                    kFrameWidth, kFrameHeight)) {
      std::fprintf(stderr, "cctv_floor: cannot write %s%s\n", folder_.c_str(), name);
      QCoreApplication::exit(1);
    }
    pending_.store(false, std::memory_order_release);
    return true;
  }

 private:
  const std::string folder_;
  const double rate_;
  std::unique_ptr<media::VideoSurface> surface_;
  RecordingMessageBoxes boxes_;
  std::vector<std::uint8_t> picture_;
  const cctv::RowCopy copySwapped_ = cctv::SwappedRowCopy();
  std::atomic<bool> pending_{false};
  // Streaming thread only.
  bool started_ = false;
  Clock::time_point start_;
  long taken_ = 0;
  // User-interface thread only.
  int written_ = 0;
};

GstFlowReturn NewSample(GstAppSink* sink, gpointer data) noexcept {
  const media::SamplePtr sample(gst_app_sink_pull_sample(sink));
  GstBuffer* buffer = sample != nullptr ? gst_sample_get_buffer(sample.get()) : nullptr;
  GstVideoInfo info;
  if (buffer == nullptr || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())))
    return GST_FLOW_OK;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return GST_FLOW_OK;
  static_cast<Recorder*>(data)->OnFrame(
      static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
      GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
      GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
  gst_video_frame_unmap(&frame);
  return GST_FLOW_OK;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: cctv_floor FOLDER PICTURES_PER_SECOND\n");
    return 2;
  }
  gst_init(nullptr, nullptr);
  std::signal(SIGUSR1, StartRecording);

  QWidget window;
  window.setFixedSize(kFrameWidth, kFrameHeight);
  // Beside TavoCCTV's window (at the origin, 332 pixels wide), so that clicks meant for it land.
  window.move(400, 0);
  ui::VideoRendererFactory surfaces;
  std::unique_ptr<media::VideoSurface> surface = surfaces.Create(&window);
  surface->SetGeometry(0, 0, kFrameWidth, kFrameHeight);
  Recorder recorder(argv[1], std::atof(argv[2]), std::move(surface));
  window.show();

  // TavoCCTV's virtual camera, converter, grabber format and renderer settings.
  GError* error = nullptr;
  const media::GstPtr<GstElement> pipeline = media::AdoptFloating(gst_parse_launch(
      "videotestsrc is-live=true pattern=ball ! video/x-raw,format=YUY2,width=320,height=240 ! "
      "videobalance ! videoconvertscale ! video/x-raw,format=BGR ! "
      "appsink name=out sync=true max-buffers=1 drop=true enable-last-sample=false",
      &error));
  if (const media::ErrorPtr failed{error}) {
    std::fprintf(stderr, "cctv_floor: %s\n", failed->message);
    return 1;
  }
  media::GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = NewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, &recorder, nullptr);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  const int result = app.exec();
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return result;
}
