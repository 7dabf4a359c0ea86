// The graph of the GStreamer platform: a pipeline with its renderer (an appsink painting on a
// surface of the program's), run and stop, the bus that reports a failing camera, and the capture
// graph builder that finds a camera's stream configuration.
#include <gst/app/gstappsink.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <vector>

#include "gstcaps.h"
#include "gstinternal.h"
#include "gstplatform.h"

namespace tavo::media {

namespace {

// Element data: the renderer's state.
constexpr const char* kRendererKey = "tavo-renderer";
constexpr const char* kRendererName = "Video Renderer";

// ---- the renderer -----------------------------------------------------------------------------

// Lives on the renderer (an appsink); holds the surface the frames are painted on.
struct RendererState {
  std::atomic<VideoSurface*> surface{nullptr};
  // Surfaces replaced while frames may still arrive stay until the renderer goes.
  std::vector<std::unique_ptr<VideoSurface>> surfaces;
  ~RendererState() { surfaces.clear(); }
};

GstFlowReturn RendererNewSample(GstAppSink* sink, gpointer data) noexcept {
  auto* state = static_cast<RendererState*>(data);
  SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (sample == nullptr) return GST_FLOW_OK;  // flushing or at the end
  VideoSurface* surface = state->surface.load(std::memory_order_acquire);
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample.get());
  if (surface == nullptr || buffer == nullptr ||
      !gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
    return GST_FLOW_OK;
  }
  MappedVideoFrame frame(&info, buffer);
  if (!frame.mapped()) return GST_FLOW_OK;
  // The surface is the program's code and must not unwind into GStreamer: a frame it fails on
  // goes unseen, and the next one tries again.
  try {
    surface->Present(static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame.get(), 0)),
                     GST_VIDEO_FRAME_WIDTH(frame.get()), GST_VIDEO_FRAME_HEIGHT(frame.get()),
                     GST_VIDEO_FRAME_PLANE_STRIDE(frame.get(), 0));
  } catch (...) {
  }
  return GST_FLOW_OK;
}

// ---- the graph --------------------------------------------------------------------------------

// Carries a bus error from the streaming thread to the user-interface thread.
class ErrorRelay final : public QObject {
 public:
  static constexpr QEvent::Type kBusError = static_cast<QEvent::Type>(QEvent::User + 900);

  explicit ErrorRelay(GstElement* pipeline) : pipeline_(pipeline) {}

  bool event(QEvent* event) override {
    if (event->type() != kBusError) return QObject::event(event);
    // The camera failed or vanished: stop everything, then tell the owner once per run. A
    // failure while starting is the caller's to report.
    if (!running.exchange(false)) return true;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (target != nullptr) {
      QCoreApplication::postEvent(target, new QEvent(static_cast<QEvent::Type>(eventType)));
    }
    return true;
  }

  QPointer<QObject> target;
  int eventType = 0;
  std::atomic<bool> reported{false};
  std::atomic<bool> running{false};

 private:
  GstElement* pipeline_;
};

GstBusSyncReply GraphBus(GstBus*, GstMessage* message, gpointer data) noexcept {
  // A handler that drops a message owns it; nobody pops this bus.
  const MessagePtr dropped(message);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    auto* relay = static_cast<ErrorRelay*>(data);
    if (!relay->reported.exchange(true)) {
      try {
        QCoreApplication::postEvent(relay, new QEvent(ErrorRelay::kBusError));
      } catch (...) {
        relay->reported = false;  // not told: the next error tries again
      }
    }
  }
  return GST_BUS_DROP;
}

// What the graph and the objects queried from it share.
struct GraphCore {
  GraphCore(GstPtr<GstElement> pipeline, VideoSurfaceFactory* surfaces)
      : pipeline(std::move(pipeline)),
        surfaces(surfaces),
        relay(std::make_unique<ErrorRelay>(this->pipeline.get())) {
    GstPtr<GstBus> bus(gst_element_get_bus(this->pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), GraphBus, relay.get(), nullptr);
  }
  ~GraphCore() {
    // Stopping joins the streaming threads: after it nothing calls back into us.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
  }
  RendererState* Renderer() const {
    GstPtr<GstElement> renderer(gst_bin_get_by_name(GST_BIN(pipeline.get()), kRendererName));
    if (renderer == nullptr) return nullptr;
    return AttachedData<RendererState>(renderer.get(), kRendererKey);
  }
  void PlaceSurface() {
    RendererState* renderer = Renderer();
    VideoSurface* surface = renderer ? renderer->surface.load() : nullptr;
    if (surface != nullptr) surface->SetGeometry(left, top, width, height);
  }

  GstPtr<GstElement> pipeline;
  VideoSurfaceFactory* surfaces;
  std::unique_ptr<ErrorRelay> relay;
  int left = 0, top = 0, width = 0, height = 0;
};

class GraphControl final : public MediaControl, public VideoWindow, public MediaEvent {
 public:
  explicit GraphControl(std::shared_ptr<GraphCore> core) : core_(std::move(core)) {}

  Status Run() override {
    core_->relay->reported = false;
    core_->relay->running = true;
    if (!ChangeState(core_->pipeline.get(), GST_STATE_PLAYING)) {
      core_->relay->running = false;
      gst_element_set_state(core_->pipeline.get(), GST_STATE_NULL);
      return Status::Fail;
    }
    return Status::Ok;
  }
  Status Stop() override {
    core_->relay->running = false;
    return gst_element_set_state(core_->pipeline.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE
               ? Status::Fail
               : Status::Ok;
  }

  Status PutOwner(QObject* owner) override {
    RendererState* renderer = core_->Renderer();
    if (renderer == nullptr || core_->surfaces == nullptr || owner == nullptr) return Status::Fail;
    std::unique_ptr<VideoSurface> surface = core_->surfaces->Create(owner);
    if (surface == nullptr) return Status::Fail;
    renderer->surface.store(surface.get(), std::memory_order_release);
    renderer->surfaces.push_back(std::move(surface));
    core_->PlaceSurface();
    return Status::Ok;
  }
  // The surface is a child of its owner and leaves input to it; style and drain say nothing new.
  Status PutWindowStyle(std::uint32_t) override { return Status::Ok; }
  Status PutMessageDrain(QObject*) override { return Status::Ok; }
  Status PutLeft(std::int32_t value) override { return Place(core_->left, value); }
  Status PutTop(std::int32_t value) override { return Place(core_->top, value); }
  Status PutWidth(std::int32_t value) override { return Place(core_->width, value); }
  Status PutHeight(std::int32_t value) override { return Place(core_->height, value); }

  Status SetNotifyTarget(QObject* target, int eventType) override {
    core_->relay->target = target;
    core_->relay->eventType = eventType;
    return Status::Ok;
  }

 private:
  Status Place(int& field, std::int32_t value) {
    field = value;
    core_->PlaceSurface();
    return Status::Ok;
  }
  std::shared_ptr<GraphCore> core_;
};

class GstFilterEnum final : public FilterEnum {
 public:
  explicit GstFilterEnum(GstElement* pipeline)
      : iterator_(gst_bin_iterate_elements(GST_BIN(pipeline))) {}
  Status Next(std::shared_ptr<Filter>& filter) override {
    filter.reset();
    ScopedValue item;
    const GstIteratorResult result = gst_iterator_next(iterator_.get(), item.get());
    if (result == GST_ITERATOR_OK) {
      filter = MakeFilter(Retain(static_cast<GstElement*>(g_value_get_object(item.get()))));
    }
    switch (result) {
      case GST_ITERATOR_OK:
        return Status::Ok;
      case GST_ITERATOR_DONE:
        return Status::False;
      case GST_ITERATOR_RESYNC:
        return Status::EnumOutOfSync;
      default:
        return Status::Fail;
    }
  }
  Status Reset() override {
    gst_iterator_resync(iterator_.get());
    return Status::Ok;
  }

 private:
  IteratorPtr iterator_;
};

class GstGraph final : public Graph {
 public:
  explicit GstGraph(std::shared_ptr<GraphCore> core) : core_(std::move(core)) {}
  GstBin* bin() const { return GST_BIN(core_->pipeline.get()); }

  Status AddFilter(const std::shared_ptr<Filter>& filter, const std::string& name) override {
    GstElement* element = filter != nullptr ? ElementOfFilter(*filter) : nullptr;
    if (element == nullptr || GST_OBJECT_PARENT(element) != nullptr) return Status::Fail;
    // A filter is known by its name in the graph; names must be unique in a bin.
    GstPtr<GstElement> clash(gst_bin_get_by_name(bin(), name.c_str()));
    if (clash == nullptr) gst_object_set_name(GST_OBJECT(element), name.c_str());
    return gst_bin_add(bin(), element) ? Status::Ok : Status::Fail;
  }
  Status RemoveFilter(const std::shared_ptr<Filter>& filter) override {
    GstElement* element = filter != nullptr ? ElementOfFilter(*filter) : nullptr;
    if (element == nullptr || GST_OBJECT_PARENT(element) != GST_OBJECT(bin())) return Status::Fail;
    gst_element_set_state(element, GST_STATE_NULL);
    return gst_bin_remove(bin(), element) ? Status::Ok : Status::Fail;
  }
  Status FindFilterByName(const std::string& name, std::shared_ptr<Filter>& filter) override {
    GstPtr<GstElement> element(gst_bin_get_by_name(bin(), name.c_str()));
    if (element == nullptr) return Status::Fail;
    filter = MakeFilter(std::move(element));
    return Status::Ok;
  }
  Status EnumFilters(std::unique_ptr<FilterEnum>& filters) override {
    filters = std::make_unique<GstFilterEnum>(core_->pipeline.get());
    return Status::Ok;
  }
  Status Connect(Pin& output, Pin& input) override {
    GstPad* from = PadOfPin(output);
    GstPad* to = PadOfPin(input);
    if (from == nullptr || to == nullptr) return Status::Fail;
    return gst_pad_link(from, to) == GST_PAD_LINK_OK ? Status::Ok : Status::Fail;
  }
  Status Render(Pin& output) override {
    GstPad* from = PadOfPin(output);
    if (from == nullptr) return Status::Fail;
    GstPtr<GstElement> sink = MakeElement("appsink", kRendererName);
    if (sink == nullptr) return Status::Fail;
    CapsPtr caps(gst_caps_from_string("video/x-raw,format=BGR"));
    g_object_set(sink.get(), "caps", caps.get(), "sync", TRUE, "max-buffers", 1, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    RendererState* state = AttachData(sink.get(), kRendererKey, std::make_unique<RendererState>());
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = RendererNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, state, nullptr);
    if (!gst_bin_add(bin(), sink.get())) return Status::Fail;
    GstPtr<GstPad> to(gst_element_get_static_pad(sink.get(), "sink"));
    if (gst_pad_link(from, to.get()) != GST_PAD_LINK_OK) {
      gst_bin_remove(bin(), sink.get());
      return Status::Fail;
    }
    return Status::Ok;
  }
  std::shared_ptr<MediaControl> QueryMediaControl() override {
    return std::make_shared<GraphControl>(core_);
  }
  std::shared_ptr<VideoWindow> QueryVideoWindow() override {
    return std::make_shared<GraphControl>(core_);
  }
  std::shared_ptr<MediaEvent> QueryMediaEvent() override {
    return std::make_shared<GraphControl>(core_);
  }

 private:
  std::shared_ptr<GraphCore> core_;
};

// ---- the capture graph builder ----------------------------------------------------------------

// The decoder of a camera's Motion-JPEG, put in by SetFormat between the source chain and the
// capsfilter, behind a capsfilter that holds the size asked of the source.
constexpr const char* kDecoderFactory = "jpegdec";
constexpr const char* kDecoderName = "tavo-decoder";
constexpr const char* kMotionJpegName = "tavo-motion-jpeg";

// What the decoder puts out, or none without the decoder. jpegdec gives a camera's (YCbCr)
// Motion-JPEG as I420 whatever is asked of it: the converter behind the camera makes RGB24.
CapsPtr DecodedCaps() {
  GstPtr<GstElementFactory> factory(gst_element_factory_find(kDecoderFactory));
  if (factory == nullptr) return nullptr;
  for (const GList* item = gst_element_factory_get_static_pad_templates(factory.get());
       item != nullptr; item = item->next) {
    auto* pads = static_cast<GstStaticPadTemplate*>(item->data);
    if (pads->direction != GST_PAD_SRC) continue;
    const CapsPtr produced(gst_static_pad_template_get_caps(pads));
    const CapsPtr i420(gst_caps_from_string("video/x-raw,format=I420"));
    return CapsPtr(gst_caps_intersect(produced.get(), i420.get()));
  }
  return nullptr;
}

// Answers a camera's caps query with what the camera puts out, its Motion-JPEG decoded included.
// The source is asked without the query's filter, which would hide the Motion-JPEG a raw filter
// can be reached from.
gboolean CameraOutputQuery(GstPad* pad, GstObject* parent, GstQuery* query) noexcept {
  if (GST_QUERY_TYPE(query) != GST_QUERY_CAPS) return gst_pad_query_default(pad, parent, query);
  GstPtr<GstPad> target(gst_ghost_pad_get_target(GST_GHOST_PAD(pad)));
  if (target == nullptr) return gst_pad_query_default(pad, parent, query);
  const CapsPtr offered(gst_pad_query_caps(target.get(), nullptr));
  CapsPtr output = CameraOutputCaps(offered.get(), DecodedCaps().get());
  if (output == nullptr) return FALSE;
  GstCaps* filter = nullptr;
  gst_query_parse_caps(query, &filter);
  if (filter != nullptr) {
    output.reset(gst_caps_intersect_full(filter, output.get(), GST_CAPS_INTERSECT_FIRST));
  }
  gst_query_set_caps_result(query, output.get());
  return TRUE;
}

// Takes out the decoder an earlier SetFormat put in and links the source chain to the capsfilter
// again. False when they do not link.
bool RemoveDecoder(GstBin* camera, GstElement* config) {
  GstPtr<GstElement> motionJpeg(gst_bin_get_by_name(camera, kMotionJpegName));
  GstPtr<GstElement> decoder(gst_bin_get_by_name(camera, kDecoderName));
  if (motionJpeg == nullptr && decoder == nullptr) return true;
  GstPtr<GstPad> upstream;
  if (motionJpeg != nullptr) {
    GstPtr<GstPad> sink(gst_element_get_static_pad(motionJpeg.get(), "sink"));
    upstream.reset(gst_pad_get_peer(sink.get()));
  }
  for (GstElement* element : {motionJpeg.get(), decoder.get()}) {
    if (element == nullptr) continue;
    gst_element_set_state(element, GST_STATE_NULL);
    gst_bin_remove(camera, element);  // unlinks it
  }
  GstPtr<GstPad> configSink(gst_element_get_static_pad(config, "sink"));
  return upstream != nullptr && gst_pad_link(upstream.get(), configSink.get()) == GST_PAD_LINK_OK;
}

// Puts the decoder between the source chain and the capsfilter, the source held to `source`.
bool InsertDecoder(GstBin* camera, GstElement* config, const GstCaps* source) {
  GstPtr<GstPad> configSink(gst_element_get_static_pad(config, "sink"));
  GstPtr<GstPad> upstream(gst_pad_get_peer(configSink.get()));
  GstPtr<GstElement> motionJpeg = MakeElement("capsfilter", kMotionJpegName);
  GstPtr<GstElement> decoder = MakeElement(kDecoderFactory, kDecoderName);
  if (upstream == nullptr || motionJpeg == nullptr || decoder == nullptr) return false;
  g_object_set(motionJpeg.get(), "caps", source, nullptr);
  gst_pad_unlink(upstream.get(), configSink.get());
  gst_bin_add(camera, motionJpeg.get());
  gst_bin_add(camera, decoder.get());
  GstPtr<GstPad> motionJpegSink(gst_element_get_static_pad(motionJpeg.get(), "sink"));
  const bool linked = gst_pad_link(upstream.get(), motionJpegSink.get()) == GST_PAD_LINK_OK &&
                      gst_element_link(motionJpeg.get(), decoder.get()) &&
                      gst_element_link(decoder.get(), config);
  if (!linked) {
    for (GstElement* element : {motionJpeg.get(), decoder.get()}) gst_bin_remove(camera, element);
    gst_pad_link(upstream.get(), configSink.get());
    return false;
  }
  gst_element_sync_state_with_parent(motionJpeg.get());
  gst_element_sync_state_with_parent(decoder.get());
  return true;
}

// The stream configuration of a camera: its capsfilter, and the decoder before it when the size
// asked for comes only as Motion-JPEG.
class CapsFilterConfig final : public StreamConfig {
 public:
  CapsFilterConfig(GstPtr<GstElement> camera, GstPtr<GstElement> capsfilter)
      : camera_(std::move(camera)), capsfilter_(std::move(capsfilter)) {}

  Status GetFormat(MediaType& type) override {
    GstCaps* current = nullptr;
    g_object_get(capsfilter_.get(), "caps", &current, nullptr);
    CapsPtr caps(current);
    if (caps == nullptr || gst_caps_is_any(caps.get()) || !gst_caps_is_fixed(caps.get())) {
      // Nothing set yet: what the camera prefers.
      GstPtr<GstPad> pad(gst_element_get_static_pad(camera_.get(), "src"));
      caps.reset(pad != nullptr ? gst_pad_query_caps(pad.get(), nullptr) : nullptr);
      if (caps == nullptr || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get())) {
        return Status::Fail;
      }
      // Raw video first, as a camera's default format is: compressed formats need a decoder. Its
      // format is the camera's to choose when the size is asked for: cameras seldom have every
      // size in every format.
      for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
        if (gst_structure_has_name(gst_caps_get_structure(caps.get(), i), "video/x-raw")) {
          caps.reset(gst_caps_copy_nth(caps.get(), i));
          gst_structure_remove_field(gst_caps_get_structure(caps.get(), 0), "format");
          break;
        }
      }
      caps.reset(gst_caps_fixate(caps.release()));
    }
    std::vector<MediaType> types = CapsToMediaTypes(caps.get());
    if (types.empty()) return Status::Fail;
    type = types.front();
    return Status::Ok;
  }

  Status SetFormat(const MediaType& type) override {
    const CapsPtr wanted = MediaTypeToCaps(type);
    if (wanted == nullptr) return Status::InvalidMediaType;
    // Ask the source chain, which neither the current setting nor a decoder narrows.
    GstPtr<GstElement> motionJpeg(gst_bin_get_by_name(bin(), kMotionJpegName));
    GstPtr<GstPad> sink(
        gst_element_get_static_pad(motionJpeg ? motionJpeg.get() : capsfilter_.get(), "sink"));
    const CapsPtr offered(gst_pad_peer_query_caps(sink.get(), nullptr));
    const CameraFormat format =
        ChooseCameraFormat(offered.get(), DecodedCaps().get(), wanted.get());
    if (format.source == nullptr) return Status::InvalidMediaType;
    // Open first, or the source chain would not link to it again without the decoder.
    g_object_set(capsfilter_.get(), "caps", nullptr, nullptr);
    if (!RemoveDecoder(bin(), capsfilter_.get())) return Status::Fail;
    if (format.decode && !InsertDecoder(bin(), capsfilter_.get(), format.source.get())) {
      return Status::Fail;
    }
    g_object_set(capsfilter_.get(), "caps", format.output.get(), nullptr);
    return Status::Ok;
  }

 private:
  GstBin* bin() const { return GST_BIN(camera_.get()); }

  GstPtr<GstElement> camera_;
  GstPtr<GstElement> capsfilter_;
};

class GstBuilder final : public CaptureGraphBuilder {
 public:
  Status SetFiltergraph(const std::shared_ptr<Graph>& graph) override {
    return dynamic_cast<GstGraph*>(graph.get()) != nullptr ? Status::Ok : Status::Fail;
  }
  Status FindInterface(PinCategory, Filter& filter,
                       std::shared_ptr<StreamConfig>& config) override {
    config.reset();
    GstElement* camera = ElementOfFilter(filter);
    if (camera == nullptr || !GST_IS_BIN(camera)) return Status::Fail;
    GstPtr<GstElement> capsfilter(gst_bin_get_by_name(GST_BIN(camera), kConfigName));
    if (capsfilter == nullptr) return Status::Fail;
    config = std::make_shared<CapsFilterConfig>(Retain(camera), std::move(capsfilter));
    return Status::Ok;
  }
};

}  // namespace

std::shared_ptr<Graph> MakeGraph(VideoSurfaceFactory* surfaces) {
  GstPtr<GstElement> pipeline = AdoptFloating(gst_pipeline_new("capture-graph"));
  if (pipeline == nullptr) return nullptr;
  return std::make_shared<GstGraph>(std::make_shared<GraphCore>(std::move(pipeline), surfaces));
}

void OfferDecodedMotionJpeg(GstPad* cameraOutput) {
  gst_pad_set_query_function(cameraOutput, CameraOutputQuery);
}

std::shared_ptr<CaptureGraphBuilder> MakeCaptureGraphBuilder() {
  return std::make_shared<GstBuilder>();
}

}  // namespace tavo::media
