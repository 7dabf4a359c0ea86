// Cameras of the GStreamer platform: the devices the device monitor lists, and the virtual camera
// (a test picture, or a video file replayed in a loop). Each is a bin ending in the capsfilter
// that carries its stream configuration.
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "devicelist.h"
#include "gstinternal.h"
#include "gstplatform.h"

namespace tavo::media {

namespace {

// Element data: the file camera's own pipeline.
constexpr const char* kFileCameraKey = "tavo-file-camera";

// A camera's elements in link order, the source first. Written in braces, so that they are made
// in the order written.
struct Chain {
  template <typename... Elements>
  Chain(Elements... each) {
    (elements.push_back(std::move(each)), ...);
  }
  std::vector<GstPtr<GstElement>> elements;
};

// Wraps `chain` (linked in order, the first being the source) into a camera: a bin whose output
// goes through the stream-configuration capsfilter. None when an element is missing or the
// elements do not link.
GstPtr<GstElement> MakeCameraBin(Chain chain) {
  GstPtr<GstElement> bin = AdoptFloating(gst_bin_new("camera"));
  std::vector<GstPtr<GstElement>>& elements = chain.elements;
  elements.push_back(MakeElement("capsfilter", kConfigName));
  for (const GstPtr<GstElement>& element : elements) {
    if (element == nullptr) return nullptr;
  }
  for (const GstPtr<GstElement>& element : elements) gst_bin_add(GST_BIN(bin.get()), element.get());
  for (std::size_t i = 1; i < elements.size(); ++i) {
    if (!gst_element_link(elements[i - 1].get(), elements[i].get())) return nullptr;
  }
  GstPtr<GstPad> pad(gst_element_get_static_pad(elements.back().get(), "src"));
  GstPad* output = gst_ghost_pad_new("src", pad.get());
  OfferDecodedMotionJpeg(output);
  gst_element_add_pad(bin.get(), output);
  return bin;
}

// A video file decoded by a pipeline of its own and replayed in a loop: its frames are pushed
// into the camera's appsrc, which timestamps them as a live camera does.
struct FileCamera {
  GstPtr<GstElement> pipeline;
  GstPtr<GstElement> appsrc;
  // A frame came since the last rewind. A file that has become empty or unreadable reaches its
  // end again at once, and rewinding it for ever would spin a core while nothing is shown.
  std::atomic<bool> frameSinceRewind{false};

  ~FileCamera() {
    if (pipeline != nullptr) {
      GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
      gst_element_set_state(pipeline.get(), GST_STATE_NULL);
      gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
  }
};

GstFlowReturn FileCameraSample(GstAppSink* sink, gpointer data) noexcept {
  auto* file = static_cast<FileCamera*>(data);
  SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (sample != nullptr) {
    file->frameSinceRewind = true;
    gst_app_src_push_sample(GST_APP_SRC(file->appsrc.get()), sample.get());
  }
  return GST_FLOW_OK;
}

// Reports a failure of the file's pipeline on that pipeline's bus, where FileCameraBus passes it
// on to the camera.
void PostFileError(GstElement* pipeline, const char* text) noexcept {
  const ErrorPtr error(g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, text));
  gst_element_post_message(pipeline,
                           gst_message_new_error(GST_OBJECT(pipeline), error.get(), nullptr));
}

void RewindFile(GstElement* pipeline, gpointer) noexcept {
  if (!gst_element_seek_simple(
          pipeline, GST_FORMAT_TIME,
          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)) {
    PostFileError(pipeline, "the video file cannot be replayed");
  }
}

GstBusSyncReply FileCameraBus(GstBus*, GstMessage* message, gpointer data) noexcept {
  const MessagePtr dropped(message);  // a handler that drops a message owns it
  auto* file = static_cast<FileCamera*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
    if (file->frameSinceRewind.exchange(false)) {
      // At the end of the file start again, off the streaming thread.
      gst_element_call_async(file->pipeline.get(), RewindFile, nullptr, nullptr);
    } else {
      // Not one frame since the last start: the file no longer plays. The camera has failed.
      PostFileError(file->pipeline.get(), "the video file yields no pictures");
    }
  } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    // A file that stops decoding is a camera that fails: say so on the camera's own graph.
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const ErrorPtr ownedError(error);
    const GCharPtr ownedDebug(debug);
    gst_element_post_message(file->appsrc.get(),
                             gst_message_new_error(GST_OBJECT(file->appsrc.get()), error, debug));
  }
  return GST_BUS_DROP;
}

GstPtr<GstElement> MakeFileCamera(const std::string& path) {
  auto file = std::make_unique<FileCamera>();
  const GCharPtr quoted(g_strescape(path.c_str(), nullptr));
  const std::string description =
      std::string("filesrc location=\"") + quoted.get() +
      "\" ! decodebin ! videoconvert ! videoscale ! "
      "video/x-raw,format=YUY2,pixel-aspect-ratio=1/1 ! appsink name=out sync=true max-buffers=2";
  GError* error = nullptr;
  file->pipeline = AdoptFloating(gst_parse_launch(description.c_str(), &error));
  const ErrorPtr parseError(error);
  if (parseError != nullptr) return nullptr;

  GstPtr<GstElement> appsrc = MakeElement("appsrc", kSourceName);
  GstElement* source = appsrc.get();  // held by the bin from here on
  GstPtr<GstElement> bin =
      MakeCameraBin({std::move(appsrc), MakeElement("videoconvert"), MakeElement("videoscale"),
                     MakeCapsFilter("video/x-raw,format=YUY2"), MakeElement("videobalance")});
  if (bin == nullptr) return nullptr;
  g_object_set(source, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", TRUE,
               "max-buffers", guint64{2}, "leaky-type", 2 /* downstream: drop the oldest */,
               nullptr);
  file->appsrc = Retain(source);

  GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(file->pipeline.get()), "out"));
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = FileCameraSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, file.get(), nullptr);
  GstPtr<GstBus> bus(gst_element_get_bus(file->pipeline.get()));
  gst_bus_set_sync_handler(bus.get(), FileCameraBus, file.get(), nullptr);

  // The file must play, or it is no camera.
  if (!ChangeState(file->pipeline.get(), GST_STATE_PAUSED)) return nullptr;
  GstState state = GST_STATE_NULL;
  if (gst_element_get_state(file->pipeline.get(), &state, nullptr, kStateTimeout) !=
          GST_STATE_CHANGE_SUCCESS ||
      !ChangeState(file->pipeline.get(), GST_STATE_PLAYING)) {
    return nullptr;
  }
  AttachData(bin.get(), kFileCameraKey, std::move(file));
  return bin;
}

GstPtr<GstElement> MakeVirtualCamera() {
  const char* variable = std::getenv(kVirtualCameraVariable);
  const bool motionJpeg =
      variable != nullptr && std::strcmp(variable, kVirtualCameraMotionJpeg) == 0;
  std::error_code error;
  if (variable != nullptr && !motionJpeg && std::filesystem::is_regular_file(variable, error)) {
    return MakeFileCamera(variable);
  }
  GstPtr<GstElement> source = MakeElement("videotestsrc", kSourceName);
  if (source != nullptr) {
    g_object_set(source.get(), "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(source.get()), "pattern", "ball");
  }
  if (motionJpeg) {
    // Motion-JPEG only, at the sizes webcams offer it in: the camera must decode it.
    return MakeCameraBin({std::move(source), MakeCapsFilter("video/x-raw,format=YUY2"),
                          MakeElement("videobalance"), MakeElement("jpegenc"),
                          MakeCapsFilter("image/jpeg,width=640,height=480; "
                                         "image/jpeg,width=320,height=240; "
                                         "image/jpeg,width=160,height=120")});
  }
  // YUY2 only, as a USB camera delivers it: the graph puts a converter behind it.
  return MakeCameraBin(
      {std::move(source), MakeCapsFilter("video/x-raw,format=YUY2"), MakeElement("videobalance")});
}

class DeviceMoniker final : public Moniker {
 public:
  DeviceMoniker(GstPtr<GstDevice> device, std::string path)
      : device_(std::move(device)), path_(std::move(path)) {}
  Status ReadFriendlyName(std::string& name) override {
    if (device_ == nullptr) {
      name = kVirtualCameraName;
      return Status::Ok;
    }
    const GCharPtr display(gst_device_get_display_name(device_.get()));
    if (display == nullptr) return Status::Fail;
    name = display.get();
    return Status::Ok;
  }
  Status ReadDevicePath(std::string& path) override {
    path = path_;
    return path.empty() ? Status::False : Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    GstPtr<GstElement> bin =
        device_ == nullptr
            ? MakeVirtualCamera()
            : MakeCameraBin({AdoptFloating(gst_device_create_element(device_.get(), kSourceName))});
    if (bin == nullptr) return Status::Fail;
    // The virtual camera shows the ranges of a typical USB webcam, mapped onto its software
    // balance.
    if (device_ == nullptr) {
      SetShownPictureRanges(bin.get(), {{kPropertyBrightness, -64, 64},
                                        {kPropertyContrast, 0, 64},
                                        {kPropertySaturation, 0, 128},
                                        {kPropertyHue, -40, 40}});
    }
    // Ready opens the device, so its pads answer with what it really delivers.
    if (!ChangeState(bin.get(), GST_STATE_READY)) {
      gst_element_set_state(bin.get(), GST_STATE_NULL);
      return Status::Fail;
    }
    RecordPictureDefaults(bin.get());
    filter = MakeFilter(std::move(bin));
    return Status::Ok;
  }

 private:
  GstPtr<GstDevice> device_;  // none: the virtual camera
  std::string path_;          // its device file, empty when it has none
};

// What the monitor tells of `device`: its name, which provider offers it, and its device file.
DeviceRecord RecordOf(GstDevice* device) {
  DeviceRecord record;
  if (const GCharPtr name{gst_device_get_display_name(device)}) record.name = name.get();
  // The providers' device types are their own; their names are all that tells them apart.
  const std::string_view type = G_OBJECT_TYPE_NAME(device);
  if (type.find("V4l2") != std::string_view::npos) {
    record.api = DeviceApi::V4l2;
  } else if (type.find("PipeWire") != std::string_view::npos) {
    record.api = DeviceApi::PipeWire;
  }
  GstStructure* properties = gst_device_get_properties(device);
  if (properties == nullptr) return record;
  for (const char* key : {"api.v4l2.path", "device.path", "object.path"}) {
    const gchar* path = gst_structure_get_string(properties, key);
    if (path != nullptr && *path != '\0') {
      record.path = path;
      break;
    }
  }
  gst_structure_free(properties);
  return record;
}

class GstDeviceEnumerator final : public DeviceEnumerator {
 public:
  Status CreateClassEnumerator(DeviceCategory category,
                               std::unique_ptr<MonikerEnum>& monikers) override {
    monikers.reset();
    if (category != DeviceCategory::VideoInput) return Status::Fail;
    std::vector<std::shared_ptr<Moniker>> list;
    GstPtr<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    // PipeWire hides the V4L2 provider, whose devices are the ones with picture controls: list
    // them all, and drop PipeWire's copy of each below.
    gst_device_monitor_set_show_all_devices(monitor.get(), TRUE);
    if (gst_device_monitor_start(monitor.get())) {
      std::vector<GstPtr<GstDevice>> devices;
      std::vector<DeviceRecord> records;
      const ListPtr found(gst_device_monitor_get_devices(monitor.get()));
      // Each device's reference moves into `devices`; only the cells are left to free.
      for (GList* item = found.get(); item != nullptr; item = item->next) {
        devices.emplace_back(GST_DEVICE(item->data));
        records.push_back(RecordOf(devices.back().get()));
      }
      for (std::size_t index : PreferV4l2Devices(records)) {
        list.push_back(std::make_shared<DeviceMoniker>(std::move(devices[index]),
                                                       CameraDeviceFile(records[index].path)));
      }
      gst_device_monitor_stop(monitor.get());
    }
    if (std::getenv(kVirtualCameraVariable) != nullptr) {
      list.push_back(std::make_shared<DeviceMoniker>(nullptr, std::string()));
    }
    if (list.empty()) return Status::False;
    monikers = std::make_unique<MonikerList>(std::move(list));
    return Status::Ok;
  }
};

}  // namespace

std::shared_ptr<DeviceEnumerator> MakeDeviceEnumerator() {
  return std::make_shared<GstDeviceEnumerator>();
}

}  // namespace tavo::media
