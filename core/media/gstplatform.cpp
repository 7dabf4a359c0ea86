#include "gstplatform.h"

#include <fcntl.h>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/colorbalance.h>
#include <gst/video/video.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "gstref.h"

namespace tavo::media {

namespace {

// Bounds on waiting for GStreamer: state changes, the first frame of a video file.
constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;
constexpr std::size_t kMaxMediaTypes = 256;

constexpr const char* kConfigName = "tavo-config";
// Element data: the grabber's and the renderer's state, the proc amp's defaults.
constexpr const char* kGrabberKey = "tavo-grabber";
constexpr const char* kRendererKey = "tavo-renderer";
constexpr const char* kDefaultsKey = "tavo-defaults";
constexpr const char* kFileCameraKey = "tavo-file-camera";

// ---- media types ------------------------------------------------------------------------------

std::uint16_t BitCount(const std::string& subtype) {
  if (subtype == kSubtypeRGB24 || subtype == "MJPG") return 24;
  const GstVideoFormat format = gst_video_format_from_string(subtype.c_str());
  if (format == GST_VIDEO_FORMAT_UNKNOWN) return 0;
  const GstVideoFormatInfo* info = gst_video_format_get_info(format);
  if (GST_VIDEO_FORMAT_INFO_N_PLANES(info) == 1) {
    return static_cast<std::uint16_t>(GST_VIDEO_FORMAT_INFO_PSTRIDE(info, 0) * 8);
  }
  int bits = 0;  // planar: average bits per pixel over the subsampled planes
  for (unsigned c = 0; c < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(info); ++c) {
    bits += GST_VIDEO_FORMAT_INFO_DEPTH(info, c) * 4 >>
            (GST_VIDEO_FORMAT_INFO_W_SUB(info, c) + GST_VIDEO_FORMAT_INFO_H_SUB(info, c));
  }
  return static_cast<std::uint16_t>(bits / 4);
}

int FixedInt(const GstStructure* structure, const char* field) {
  int value = 0;
  return gst_structure_get_int(structure, field, &value) ? value : 0;
}

// One media type per structure and format.
void AppendMediaTypes(const GstStructure* structure, std::vector<MediaType>& types) {
  MediaType type;
  type.width = FixedInt(structure, "width");
  type.height = FixedInt(structure, "height");
  const std::string name = gst_structure_get_name(structure);
  if (name == "image/jpeg") {
    type.majorType = kMajorTypeVideo;
    type.subtype = "MJPG";
    type.bitCount = 24;
    types.push_back(type);
    return;
  }
  if (name != "video/x-raw") {
    type.majorType = name;
    types.push_back(type);
    return;
  }
  type.majorType = kMajorTypeVideo;
  std::vector<std::string> formats;
  const GValue* value = gst_structure_get_value(structure, "format");
  if (value != nullptr && G_VALUE_HOLDS_STRING(value)) {
    formats.push_back(g_value_get_string(value));
  } else if (value != nullptr && GST_VALUE_HOLDS_LIST(value)) {
    for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
      const GValue* each = gst_value_list_get_value(value, i);
      if (G_VALUE_HOLDS_STRING(each)) formats.push_back(g_value_get_string(each));
    }
  }
  for (const std::string& format : formats) {
    type.subtype = format == "BGR" ? kSubtypeRGB24 : format;
    type.bitCount = BitCount(type.subtype);
    type.sizeImage = static_cast<std::uint32_t>(std::int64_t{type.bitCount} * type.width *
                                                std::abs(type.height) / 8);
    types.push_back(type);
  }
}

std::vector<MediaType> CapsToMediaTypes(GstCaps* caps) {
  std::vector<MediaType> types;
  if (caps == nullptr || gst_caps_is_any(caps)) return types;
  for (guint i = 0; i < gst_caps_get_size(caps) && types.size() < kMaxMediaTypes; ++i) {
    AppendMediaTypes(gst_caps_get_structure(caps, i), types);
  }
  if (types.size() > kMaxMediaTypes) types.resize(kMaxMediaTypes);
  return types;
}

// ---- waiting for states -----------------------------------------------------------------------

bool ChangeState(GstElement* element, GstState state) {
  GstStateChangeReturn result = gst_element_set_state(element, state);
  if (result == GST_STATE_CHANGE_ASYNC) {
    result = gst_element_get_state(element, nullptr, nullptr, kStateTimeout);
  }
  return result != GST_STATE_CHANGE_FAILURE;
}

// ---- proc amp ---------------------------------------------------------------------------------

int PropertyOfChannel(const char* label) {
  std::string name = label != nullptr ? label : "";
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static const std::pair<const char*, int> kNames[] = {
      {"brightness", kPropertyBrightness}, {"contrast", kPropertyContrast},
      {"saturation", kPropertySaturation}, {"hue", kPropertyHue},
      {"sharpness", kPropertySharpness},   {"gamma", kPropertyGamma}};
  for (const auto& [word, property] : kNames) {
    if (name.find(word) != std::string::npos) return property;
  }
  return -1;
}

// The defaults of a camera's properties: the values it had when it was bound.
struct PropertyDefaults {
  std::map<int, long> values;
};

GstColorBalanceChannel* FindChannel(GstColorBalance* balance, int property) {
  for (const GList* item = gst_color_balance_list_channels(balance); item; item = item->next) {
    auto* channel = static_cast<GstColorBalanceChannel*>(item->data);
    if (PropertyOfChannel(channel->label) == property) return channel;
  }
  return nullptr;
}

// Gamma of a V4L2 camera where its colour balance does not list it.
bool V4l2Gamma(GstElement* source, v4l2_queryctrl* query, int* setValue) {
  if (source == nullptr ||
      g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device-fd") == nullptr) {
    return false;
  }
  int fd = -1;
  g_object_get(source, "device-fd", &fd, nullptr);
  if (fd < 0) return false;
  std::memset(query, 0, sizeof *query);
  query->id = V4L2_CID_GAMMA;
  if (ioctl(fd, VIDIOC_QUERYCTRL, query) != 0 || (query->flags & V4L2_CTRL_FLAG_DISABLED)) {
    return false;
  }
  if (setValue != nullptr) {
    v4l2_control control{V4L2_CID_GAMMA, *setValue};
    return ioctl(fd, VIDIOC_S_CTRL, &control) == 0;
  }
  return true;
}

class ColorBalanceProcAmp final : public ProcAmp {
 public:
  ColorBalanceProcAmp(GstPtr<GstElement> camera, GstPtr<GstElement> balance,
                      GstPtr<GstElement> source)
      : camera_(std::move(camera)), balance_(std::move(balance)), source_(std::move(source)) {}

  Status GetRange(int property, PropertyRange& range) override {
    if (GstColorBalanceChannel* channel = FindChannel(Balance(), property)) {
      range.minimum = channel->min_value;
      range.maximum = channel->max_value;
      range.step = 1;
      range.defaultValue = Default(property, channel);
      range.capsFlags = kPropertyFlagsManual;
      return Status::Ok;
    }
    v4l2_queryctrl query;
    if (property == kPropertyGamma && V4l2Gamma(source_.get(), &query, nullptr)) {
      range = {query.minimum, query.maximum, std::max(1, query.step), query.default_value,
               kPropertyFlagsManual};
      return Status::Ok;
    }
    return Status::Fail;
  }

  Status Set(int property, long value, long /*flags*/) override {
    if (GstColorBalanceChannel* channel = FindChannel(Balance(), property)) {
      const long clamped = std::clamp<long>(value, channel->min_value, channel->max_value);
      gst_color_balance_set_value(Balance(), channel, static_cast<gint>(clamped));
      return Status::Ok;
    }
    v4l2_queryctrl query;
    int wanted = static_cast<int>(value);
    if (property == kPropertyGamma && V4l2Gamma(source_.get(), &query, &wanted)) return Status::Ok;
    return Status::Fail;
  }

 private:
  GstColorBalance* Balance() const { return GST_COLOR_BALANCE(balance_.get()); }
  long Default(int property, GstColorBalanceChannel* channel) {
    auto* defaults =
        static_cast<PropertyDefaults*>(g_object_get_data(G_OBJECT(camera_.get()), kDefaultsKey));
    if (defaults != nullptr) {
      auto found = defaults->values.find(property);
      if (found != defaults->values.end()) return found->second;
    }
    return (channel->min_value + channel->max_value) / 2;
  }

  GstPtr<GstElement> camera_;
  GstPtr<GstElement> balance_;
  GstPtr<GstElement> source_;
};

// ---- grabber and renderer state ---------------------------------------------------------------

// Lives on the grabber element; the probe runs on the streaming thread.
struct GrabberState {
  std::atomic<FrameCallback*> callback{nullptr};
  GstVideoInfo info;  // written and read on the streaming thread only
  bool haveInfo = false;
};

GstPadProbeReturn GrabberProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* state = static_cast<GrabberState*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      GstCaps* caps = nullptr;
      gst_event_parse_caps(event, &caps);
      state->haveInfo = caps != nullptr && gst_video_info_from_caps(&state->info, caps);
    }
    return GST_PAD_PROBE_OK;
  }
  FrameCallback* callback = state->callback.load(std::memory_order_acquire);
  if (callback == nullptr || !state->haveInfo || !callback->Wanted()) return GST_PAD_PROBE_OK;
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  GstVideoFrame frame;
  if (buffer == nullptr || !gst_video_frame_map(&frame, &state->info, buffer, GST_MAP_READ)) {
    return GST_PAD_PROBE_OK;
  }
  SampleView view;
  view.data = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  view.rowBytes = static_cast<std::size_t>(GST_VIDEO_FRAME_WIDTH(&frame)) *
                  GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0);
  view.rows = static_cast<std::size_t>(GST_VIDEO_FRAME_HEIGHT(&frame));
  view.stride = static_cast<std::size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
  view.topDown = true;
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  callback->BufferCB(GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<double>(pts) / GST_SECOND : 0.0,
                     view);
  gst_video_frame_unmap(&frame);
  return GST_PAD_PROBE_OK;
}

class GstGrabber final : public SampleGrabber {
 public:
  GstGrabber(GstPtr<GstElement> element, GrabberState* state)
      : element_(std::move(element)), state_(state) {}
  Status SetBufferSamples(bool) override { return Status::Ok; }
  Status SetOneShot(bool oneShot) override { return oneShot ? Status::Fail : Status::Ok; }
  Status SetCallback(FrameCallback* callback, int which) override {
    state_->callback.store(which == 1 ? callback : nullptr, std::memory_order_release);
    return Status::Ok;
  }

 private:
  GstPtr<GstElement> element_;  // keeps the state alive
  GrabberState* state_;
};

// Lives on the renderer (an appsink); holds the surface the frames are painted on.
struct RendererState {
  std::atomic<VideoSurface*> surface{nullptr};
  // Surfaces replaced while frames may still arrive stay until the renderer goes.
  std::vector<std::unique_ptr<VideoSurface>> surfaces;
  ~RendererState() { surfaces.clear(); }
};

GstFlowReturn RendererNewSample(GstAppSink* sink, gpointer data) {
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
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return GST_FLOW_OK;
  surface->Present(static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                   GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
  gst_video_frame_unmap(&frame);
  return GST_FLOW_OK;
}

// ---- pins and filters -------------------------------------------------------------------------

class GstPinImpl final : public Pin {
 public:
  explicit GstPinImpl(GstPtr<GstPad> pad) : pad_(std::move(pad)) {}
  GstPad* pad() const { return pad_.get(); }

  PinDirection QueryDirection() const override {
    return GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SINK ? PinDirection::Input
                                                         : PinDirection::Output;
  }
  Status QueryAccept(const MediaType& type) override {
    CapsPtr caps(MediaTypeToCaps(type));
    if (caps == nullptr) return Status::InvalidMediaType;
    if (GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SINK) {
      return gst_pad_query_accept_caps(pad_.get(), caps.get()) ? Status::Ok
                                                               : Status::InvalidMediaType;
    }
    // Source pads do not answer accept-caps; decide from what they can produce.
    CapsPtr offered(gst_pad_query_caps(pad_.get(), nullptr));
    return offered != nullptr && gst_caps_can_intersect(offered.get(), caps.get())
               ? Status::Ok
               : Status::InvalidMediaType;
  }
  Status EnumMediaTypes(std::vector<MediaType>& types) override {
    CapsPtr caps(gst_pad_query_caps(pad_.get(), nullptr));
    if (caps == nullptr) return Status::Fail;
    types = CapsToMediaTypes(caps.get());
    return Status::Ok;
  }

 private:
  GstPtr<GstPad> pad_;
};

class GstFilter final : public Filter {
 public:
  explicit GstFilter(GstPtr<GstElement> element) : element_(std::move(element)) {}
  GstElement* element() const { return element_.get(); }

  Status EnumPins(std::vector<std::shared_ptr<Pin>>& pins) override {
    pins.clear();
    IteratorPtr iterator(gst_element_iterate_pads(element_.get()));
    GValue item = G_VALUE_INIT;
    for (;;) {
      switch (gst_iterator_next(iterator.get(), &item)) {
        case GST_ITERATOR_OK:
          pins.push_back(std::make_shared<GstPinImpl>(
              Retain(static_cast<GstPad*>(g_value_get_object(&item)))));
          g_value_reset(&item);
          continue;
        case GST_ITERATOR_RESYNC:
          pins.clear();
          gst_iterator_resync(iterator.get());
          continue;
        case GST_ITERATOR_DONE:
          g_value_unset(&item);
          return Status::Ok;
        case GST_ITERATOR_ERROR:
          g_value_unset(&item);
          return Status::Fail;
      }
    }
  }

  std::shared_ptr<ProcAmp> QueryProcAmp() override {
    if (!GST_IS_BIN(element_.get())) return nullptr;
    GstPtr<GstElement> balance(
        gst_bin_get_by_interface(GST_BIN(element_.get()), GST_TYPE_COLOR_BALANCE));
    if (balance == nullptr) return nullptr;
    GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(element_.get()), "tavo-source"));
    return std::make_shared<ColorBalanceProcAmp>(Retain(element_.get()), std::move(balance),
                                                 std::move(source));
  }

  std::shared_ptr<SampleGrabber> QuerySampleGrabber() override {
    auto* state =
        static_cast<GrabberState*>(g_object_get_data(G_OBJECT(element_.get()), kGrabberKey));
    if (state == nullptr) return nullptr;
    return std::make_shared<GstGrabber>(Retain(element_.get()), state);
  }

 private:
  GstPtr<GstElement> element_;
};

GstPad* PadOf(Pin& pin) {
  auto* gstPin = dynamic_cast<GstPinImpl*>(&pin);
  return gstPin != nullptr ? gstPin->pad() : nullptr;
}

GstElement* ElementOf(const std::shared_ptr<Filter>& filter) {
  auto* gstFilter = dynamic_cast<GstFilter*>(filter.get());
  return gstFilter != nullptr ? gstFilter->element() : nullptr;
}

// ---- cameras ----------------------------------------------------------------------------------

// Records every colour-balance value of a freshly bound camera as its default.
void RecordDefaults(GstElement* camera) {
  GstPtr<GstElement> balance(gst_bin_get_by_interface(GST_BIN(camera), GST_TYPE_COLOR_BALANCE));
  auto* defaults = new PropertyDefaults;
  if (balance != nullptr) {
    GstColorBalance* colorBalance = GST_COLOR_BALANCE(balance.get());
    for (const GList* item = gst_color_balance_list_channels(colorBalance); item;
         item = item->next) {
      auto* channel = static_cast<GstColorBalanceChannel*>(item->data);
      const int property = PropertyOfChannel(channel->label);
      if (property >= 0) {
        defaults->values[property] = gst_color_balance_get_value(colorBalance, channel);
      }
    }
  }
  g_object_set_data_full(G_OBJECT(camera), kDefaultsKey, defaults,
                         [](gpointer data) { delete static_cast<PropertyDefaults*>(data); });
}

// Wraps `chain` (elements linked in order, the first being the source) into a camera: a bin
// whose output goes through the stream-configuration capsfilter.
GstElement* MakeCameraBin(std::vector<GstElement*> chain) {
  GstElement* bin = gst_bin_new("camera");
  GstElement* config = gst_element_factory_make("capsfilter", kConfigName);
  chain.push_back(config);
  for (GstElement* element : chain) {
    if (element == nullptr) {
      for (GstElement* each : chain) {
        if (each != nullptr) gst_object_unref(gst_object_ref_sink(each));
      }
      gst_object_unref(gst_object_ref_sink(bin));
      return nullptr;
    }
  }
  for (GstElement* element : chain) gst_bin_add(GST_BIN(bin), element);
  for (std::size_t i = 1; i < chain.size(); ++i) {
    if (!gst_element_link(chain[i - 1], chain[i])) {
      gst_object_unref(gst_object_ref_sink(bin));
      return nullptr;
    }
  }
  GstPtr<GstPad> pad(gst_element_get_static_pad(config, "src"));
  gst_element_add_pad(bin, gst_ghost_pad_new("src", pad.get()));
  return bin;
}

GstElement* MakeCapsFilter(const char* caps) {
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  if (filter == nullptr) return nullptr;
  CapsPtr parsed(gst_caps_from_string(caps));
  g_object_set(filter, "caps", parsed.get(), nullptr);
  return filter;
}

// A video file decoded by a pipeline of its own and replayed in a loop: its frames are pushed
// into the camera's appsrc, which timestamps them as a live camera does.
struct FileCamera {
  GstPtr<GstElement> pipeline;
  GstPtr<GstElement> appsrc;

  ~FileCamera() {
    if (pipeline != nullptr) {
      GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
      gst_element_set_state(pipeline.get(), GST_STATE_NULL);
      gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
  }
};

GstFlowReturn FileCameraSample(GstAppSink* sink, gpointer data) {
  SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (sample != nullptr) {
    gst_app_src_push_sample(GST_APP_SRC(static_cast<GstElement*>(data)), sample.get());
  }
  return GST_FLOW_OK;
}

void RewindFile(GstElement* pipeline, gpointer) {
  gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                          0);
}

GstBusSyncReply FileCameraBus(GstBus*, GstMessage* message, gpointer data) {
  auto* file = static_cast<FileCamera*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
    // At the end of the file start again, off the streaming thread.
    gst_element_call_async(file->pipeline.get(), RewindFile, nullptr, nullptr);
  } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    // A file that stops decoding is a camera that fails: say so on the camera's own graph.
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    gst_element_post_message(file->appsrc.get(),
                             gst_message_new_error(GST_OBJECT(file->appsrc.get()), error, debug));
    g_clear_error(&error);
    g_free(debug);
  }
  gst_message_unref(message);  // a handler that drops a message owns it
  return GST_BUS_DROP;
}

GstElement* MakeFileCamera(const std::string& path) {
  auto file = std::make_unique<FileCamera>();
  GError* error = nullptr;
  gchar* quoted = g_strescape(path.c_str(), nullptr);
  const std::string description =
      std::string("filesrc location=\"") + quoted +
      "\" ! decodebin ! videoconvert ! videoscale ! "
      "video/x-raw,format=YUY2,pixel-aspect-ratio=1/1 ! appsink name=out sync=true max-buffers=2";
  g_free(quoted);
  file->pipeline.reset(gst_parse_launch(description.c_str(), &error));
  if (error != nullptr) {
    g_clear_error(&error);
    if (file->pipeline != nullptr) gst_object_ref_sink(file->pipeline.get());
    return nullptr;
  }
  gst_object_ref_sink(file->pipeline.get());
  GstElement* appsrc = gst_element_factory_make("appsrc", "tavo-source");
  GstElement* bin = MakeCameraBin({appsrc, gst_element_factory_make("videoconvert", nullptr),
                                   gst_element_factory_make("videoscale", nullptr),
                                   MakeCapsFilter("video/x-raw,format=YUY2"),
                                   gst_element_factory_make("videobalance", nullptr)});
  if (bin == nullptr) return nullptr;
  g_object_set(appsrc, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", TRUE,
               "max-buffers", guint64{2}, "leaky-type", 2 /* downstream: drop the oldest */,
               nullptr);
  file->appsrc = Retain(appsrc);

  GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(file->pipeline.get()), "out"));
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = FileCameraSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, appsrc, nullptr);
  GstPtr<GstBus> bus(gst_element_get_bus(file->pipeline.get()));
  gst_bus_set_sync_handler(bus.get(), FileCameraBus, file.get(), nullptr);

  // The file must play, or it is no camera.
  if (!ChangeState(file->pipeline.get(), GST_STATE_PAUSED)) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstState state = GST_STATE_NULL;
  if (gst_element_get_state(file->pipeline.get(), &state, nullptr, kStateTimeout) !=
          GST_STATE_CHANGE_SUCCESS ||
      !ChangeState(file->pipeline.get(), GST_STATE_PLAYING)) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  g_object_set_data_full(G_OBJECT(bin), kFileCameraKey, file.release(),
                         [](gpointer data) { delete static_cast<FileCamera*>(data); });
  return bin;
}

GstElement* MakeVirtualCamera() {
  const char* variable = std::getenv(kVirtualCameraVariable);
  std::error_code error;
  if (variable != nullptr && std::filesystem::is_regular_file(variable, error)) {
    return MakeFileCamera(variable);
  }
  GstElement* source = gst_element_factory_make("videotestsrc", "tavo-source");
  if (source != nullptr) {
    g_object_set(source, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", "ball");
  }
  // YUY2 only, as a USB camera delivers it: the graph puts a converter behind it.
  return MakeCameraBin({source, MakeCapsFilter("video/x-raw,format=YUY2"),
                        gst_element_factory_make("videobalance", nullptr)});
}

class DeviceMoniker final : public Moniker {
 public:
  explicit DeviceMoniker(GstPtr<GstDevice> device) : device_(std::move(device)) {}
  Status ReadFriendlyName(std::string& name) override {
    if (device_ == nullptr) {
      name = kVirtualCameraName;
      return Status::Ok;
    }
    gchar* display = gst_device_get_display_name(device_.get());
    if (display == nullptr) return Status::Fail;
    name = display;
    g_free(display);
    return Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    GstElement* bin = nullptr;
    if (device_ == nullptr) {
      bin = MakeVirtualCamera();
    } else {
      bin = MakeCameraBin({gst_device_create_element(device_.get(), "tavo-source")});
    }
    if (bin == nullptr) return Status::Fail;
    gst_object_ref_sink(bin);
    // Ready opens the device, so its pads answer with what it really delivers.
    if (!ChangeState(bin, GST_STATE_READY)) {
      gst_element_set_state(bin, GST_STATE_NULL);
      gst_object_unref(bin);
      return Status::Fail;
    }
    RecordDefaults(bin);
    filter = std::make_shared<GstFilter>(GstPtr<GstElement>(bin));
    return Status::Ok;
  }

 private:
  GstPtr<GstDevice> device_;  // none: the virtual camera
};

class FactoryMoniker final : public Moniker {
 public:
  explicit FactoryMoniker(GstPtr<GstElementFactory> factory) : factory_(std::move(factory)) {}
  Status ReadFriendlyName(std::string& name) override {
    name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory_.get()));
    return Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    GstElement* element = gst_element_factory_create(factory_.get(), nullptr);
    if (element == nullptr) return Status::Fail;
    filter =
        std::make_shared<GstFilter>(GstPtr<GstElement>(GST_ELEMENT(gst_object_ref_sink(element))));
    return Status::Ok;
  }

 private:
  GstPtr<GstElementFactory> factory_;
};

class GstDeviceEnumerator final : public DeviceEnumerator {
 public:
  Status CreateClassEnumerator(DeviceCategory category,
                               std::unique_ptr<MonikerEnum>& monikers) override {
    monikers.reset();
    if (category != DeviceCategory::VideoInput) return Status::Fail;
    std::vector<std::shared_ptr<Moniker>> list;
    GstPtr<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor.get())) {
      GList* devices = gst_device_monitor_get_devices(monitor.get());
      for (GList* item = devices; item != nullptr; item = item->next) {
        list.push_back(std::make_shared<DeviceMoniker>(GstPtr<GstDevice>(GST_DEVICE(item->data))));
      }
      g_list_free(devices);  // the references moved into the monikers
      gst_device_monitor_stop(monitor.get());
    }
    if (std::getenv(kVirtualCameraVariable) != nullptr) {
      list.push_back(std::make_shared<DeviceMoniker>(nullptr));
    }
    if (list.empty()) return Status::False;
    monikers = std::make_unique<MonikerList>(std::move(list));
    return Status::Ok;
  }
};

// ---- converter search -------------------------------------------------------------------------

struct ConverterFilter {
  unsigned minimumRank;
};

gboolean IsConverter(GstPluginFeature* feature, gpointer data) {
  if (!GST_IS_ELEMENT_FACTORY(feature)) return FALSE;
  if (gst_plugin_feature_get_rank(feature) < static_cast<ConverterFilter*>(data)->minimumRank) {
    return FALSE;
  }
  // Scalers and mixers take the same caps but cannot change the format: only colour-space
  // converters count, and decoders (a camera that sends JPEG needs one to reach RGB24).
  const char* klass =
      gst_element_factory_get_metadata(GST_ELEMENT_FACTORY(feature), GST_ELEMENT_METADATA_KLASS);
  return klass != nullptr && (std::strstr(klass, "Colorspace") || std::strstr(klass, "Decoder"));
}

class GstFilterMapper final : public FilterMapper {
 public:
  Status EnumMatchingFilters(const FilterQuery& query,
                             std::unique_ptr<MonikerEnum>& filters) override {
    filters.reset();
    CapsPtr input(MediaTypeToCaps({query.input.majorType, query.input.subtype}));
    CapsPtr output(MediaTypeToCaps({query.output.majorType, query.output.subtype}));
    std::vector<std::shared_ptr<Moniker>> list;
    if (input != nullptr && output != nullptr) {
      ConverterFilter filter{MeritToRank(query.minimumMerit)};
      GList* features =
          gst_registry_feature_filter(gst_registry_get(), IsConverter, FALSE, &filter);
      GList* sinks = gst_element_factory_list_filter(features, input.get(), GST_PAD_SINK, FALSE);
      GList* both = gst_element_factory_list_filter(sinks, output.get(), GST_PAD_SRC, FALSE);
      // Lowest rank first: the graph keeps the last one it binds.
      both = g_list_sort(both, [](gconstpointer a, gconstpointer b) -> gint {
        return static_cast<gint>(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(a))) -
               static_cast<gint>(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(b)));
      });
      for (GList* item = both; item != nullptr; item = item->next) {
        list.push_back(
            std::make_shared<FactoryMoniker>(Retain(static_cast<GstElementFactory*>(item->data))));
      }
      gst_plugin_feature_list_free(both);
      gst_plugin_feature_list_free(sinks);
      gst_plugin_feature_list_free(features);
    }
    filters = std::make_unique<MonikerList>(std::move(list));
    return Status::Ok;
  }
};

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

GstBusSyncReply GraphBus(GstBus*, GstMessage* message, gpointer data) {
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    auto* relay = static_cast<ErrorRelay*>(data);
    if (!relay->reported.exchange(true)) {
      QCoreApplication::postEvent(relay, new QEvent(ErrorRelay::kBusError));
    }
  }
  gst_message_unref(message);  // a handler that drops a message owns it; nobody pops this bus
  return GST_BUS_DROP;
}

// What the graph and the objects queried from it share.
struct GraphCore {
  GraphCore(GstElement* pipeline, VideoSurfaceFactory* surfaces)
      : pipeline(pipeline), surfaces(surfaces), relay(new ErrorRelay(pipeline)) {
    GstPtr<GstBus> bus(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.get(), GraphBus, relay.get(), nullptr);
  }
  ~GraphCore() {
    // Stopping joins the streaming threads: after it nothing calls back into us.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
  }
  RendererState* Renderer() const {
    GstPtr<GstElement> renderer(gst_bin_get_by_name(GST_BIN(pipeline.get()), "Video Renderer"));
    if (renderer == nullptr) return nullptr;
    return static_cast<RendererState*>(g_object_get_data(G_OBJECT(renderer.get()), kRendererKey));
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
    GValue item = G_VALUE_INIT;
    const GstIteratorResult result = gst_iterator_next(iterator_.get(), &item);
    if (result == GST_ITERATOR_OK) {
      filter =
          std::make_shared<GstFilter>(Retain(static_cast<GstElement*>(g_value_get_object(&item))));
    }
    g_value_unset(&item);
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
    GstElement* element = ElementOf(filter);
    if (element == nullptr || GST_OBJECT_PARENT(element) != nullptr) return Status::Fail;
    // A filter is known by its name in the graph; names must be unique in a bin.
    GstPtr<GstElement> clash(gst_bin_get_by_name(bin(), name.c_str()));
    if (clash == nullptr) gst_object_set_name(GST_OBJECT(element), name.c_str());
    return gst_bin_add(bin(), element) ? Status::Ok : Status::Fail;
  }
  Status RemoveFilter(const std::shared_ptr<Filter>& filter) override {
    GstElement* element = ElementOf(filter);
    if (element == nullptr || GST_OBJECT_PARENT(element) != GST_OBJECT(bin())) return Status::Fail;
    gst_element_set_state(element, GST_STATE_NULL);
    return gst_bin_remove(bin(), element) ? Status::Ok : Status::Fail;
  }
  Status FindFilterByName(const std::string& name, std::shared_ptr<Filter>& filter) override {
    GstPtr<GstElement> element(gst_bin_get_by_name(bin(), name.c_str()));
    if (element == nullptr) return Status::Fail;
    filter = std::make_shared<GstFilter>(std::move(element));
    return Status::Ok;
  }
  Status EnumFilters(std::unique_ptr<FilterEnum>& filters) override {
    filters = std::make_unique<GstFilterEnum>(core_->pipeline.get());
    return Status::Ok;
  }
  Status Connect(Pin& output, Pin& input) override {
    GstPad* from = PadOf(output);
    GstPad* to = PadOf(input);
    if (from == nullptr || to == nullptr) return Status::Fail;
    return gst_pad_link(from, to) == GST_PAD_LINK_OK ? Status::Ok : Status::Fail;
  }
  Status Render(Pin& output) override {
    GstPad* from = PadOf(output);
    if (from == nullptr) return Status::Fail;
    GstElement* sink = gst_element_factory_make("appsink", "Video Renderer");
    if (sink == nullptr) return Status::Fail;
    CapsPtr caps(gst_caps_from_string("video/x-raw,format=BGR"));
    g_object_set(sink, "caps", caps.get(), "sync", TRUE, "max-buffers", 1, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    auto* state = new RendererState;
    g_object_set_data_full(G_OBJECT(sink), kRendererKey, state,
                           [](gpointer data) { delete static_cast<RendererState*>(data); });
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = RendererNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, state, nullptr);
    if (!gst_bin_add(bin(), sink)) {
      gst_object_unref(gst_object_ref_sink(sink));
      return Status::Fail;
    }
    GstPtr<GstPad> to(gst_element_get_static_pad(sink, "sink"));
    if (gst_pad_link(from, to.get()) != GST_PAD_LINK_OK) {
      gst_bin_remove(bin(), sink);
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

// The stream configuration of a camera: its capsfilter.
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
      // Raw video first, as a camera's default format is: compressed formats need a decoder.
      for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
        if (gst_structure_has_name(gst_caps_get_structure(caps.get(), i), "video/x-raw")) {
          caps.reset(gst_caps_copy_nth(caps.get(), i));
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
    CapsPtr caps(MediaTypeToCaps(type));
    if (caps == nullptr) return Status::InvalidMediaType;
    // Ask upstream of the capsfilter, which the current setting does not narrow.
    GstPtr<GstPad> sink(gst_element_get_static_pad(capsfilter_.get(), "sink"));
    CapsPtr offered(gst_pad_peer_query_caps(sink.get(), nullptr));
    if (offered == nullptr || !gst_caps_can_intersect(offered.get(), caps.get())) {
      return Status::InvalidMediaType;
    }
    g_object_set(capsfilter_.get(), "caps", caps.get(), nullptr);
    return Status::Ok;
  }

 private:
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
    auto* gstFilter = dynamic_cast<GstFilter*>(&filter);
    if (gstFilter == nullptr || !GST_IS_BIN(gstFilter->element())) return Status::Fail;
    GstPtr<GstElement> capsfilter(gst_bin_get_by_name(GST_BIN(gstFilter->element()), kConfigName));
    if (capsfilter == nullptr) return Status::Fail;
    config =
        std::make_shared<CapsFilterConfig>(Retain(gstFilter->element()), std::move(capsfilter));
    return Status::Ok;
  }
};

}  // namespace

GstElement* ElementOfFilter(Filter& filter) {
  auto* gstFilter = dynamic_cast<GstFilter*>(&filter);
  return gstFilter != nullptr ? gstFilter->element() : nullptr;
}

unsigned MeritToRank(std::uint32_t merit) {
  if (merit <= kMeritDoNotUse) return GST_RANK_NONE;
  // Linear from "do not use" (rank none) to "preferred" 0x800000 (primary), rounded up.
  const std::uint64_t above = merit - kMeritDoNotUse;
  return static_cast<unsigned>((above * GST_RANK_PRIMARY + 0x5FFFFF) / 0x600000);
}

GstCaps* MediaTypeToCaps(const MediaType& type) {
  if (type.majorType != kMajorTypeVideo) return nullptr;
  GstCaps* caps = nullptr;
  if (type.subtype == "MJPG") {
    caps = gst_caps_new_empty_simple("image/jpeg");
  } else {
    const std::string format = type.subtype == kSubtypeRGB24 ? "BGR" : type.subtype;
    if (gst_video_format_from_string(format.c_str()) == GST_VIDEO_FORMAT_UNKNOWN) return nullptr;
    caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format.c_str(), nullptr);
  }
  if (type.width > 0) gst_caps_set_simple(caps, "width", G_TYPE_INT, type.width, nullptr);
  // The sign of the height only says which row comes first in memory.
  if (type.height != 0) {
    gst_caps_set_simple(caps, "height", G_TYPE_INT, std::abs(type.height), nullptr);
  }
  return caps;
}

GstPlatform::GstPlatform(VideoSurfaceFactory* surfaces) : surfaces_(surfaces) {
  initialized_ = gst_init_check(nullptr, nullptr, nullptr);
}

GstPlatform::~GstPlatform() = default;

Status GstPlatform::CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) {
  if (!initialized_) return Status::Fail;
  enumerator = std::make_shared<GstDeviceEnumerator>();
  return Status::Ok;
}

Status GstPlatform::CreateFilterGraph(std::shared_ptr<Graph>& graph) {
  if (!initialized_) return Status::Fail;
  GstElement* pipeline = gst_pipeline_new("capture-graph");
  if (pipeline == nullptr) return Status::Fail;
  graph = std::make_shared<GstGraph>(
      std::make_shared<GraphCore>(GST_ELEMENT(gst_object_ref_sink(pipeline)), surfaces_));
  return Status::Ok;
}

Status GstPlatform::CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) {
  if (!initialized_) return Status::Fail;
  builder = std::make_shared<GstBuilder>();
  return Status::Ok;
}

Status GstPlatform::CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) {
  if (!initialized_) return Status::Fail;
  mapper = std::make_shared<GstFilterMapper>();
  return Status::Ok;
}

Status GstPlatform::CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) {
  if (!initialized_ || id != FilterId::SampleGrabber) return Status::Fail;
  // A pass-through that lets only B,G,R through, so the frames it sees are RGB24, with a probe
  // on its output that hands every buffer to the callback.
  GstElement* grabber = MakeCapsFilter("video/x-raw,format=BGR");
  if (grabber == nullptr) return Status::Fail;
  gst_object_ref_sink(grabber);
  auto* state = new GrabberState;
  g_object_set_data_full(G_OBJECT(grabber), kGrabberKey, state,
                         [](gpointer data) { delete static_cast<GrabberState*>(data); });
  GstPtr<GstPad> pad(gst_element_get_static_pad(grabber, "src"));
  gst_pad_add_probe(
      pad.get(),
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      GrabberProbe, state, nullptr);
  filter = std::make_shared<GstFilter>(GstPtr<GstElement>(grabber));
  return Status::Ok;
}

}  // namespace tavo::media
