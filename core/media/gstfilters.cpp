// Filters and pins of the GStreamer platform: an element and its pads, and the sample grabber.
#include <atomic>

#include "gstcaps.h"
#include "gstinternal.h"
#include "gstplatform.h"

namespace tavo::media {

namespace {

// Element data: the grabber's state.
constexpr const char* kGrabberKey = "tavo-grabber";

class GstPinImpl final : public Pin {
 public:
  explicit GstPinImpl(GstPtr<GstPad> pad) : pad_(std::move(pad)) {}
  GstPad* pad() const { return pad_.get(); }

  PinDirection QueryDirection() const override {
    return GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SINK ? PinDirection::Input
                                                         : PinDirection::Output;
  }
  Status QueryAccept(const MediaType& type) override {
    CapsPtr caps = MediaTypeToCaps(type);
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

// Lives on the grabber element; the probe runs on the streaming thread.
struct GrabberState {
  std::atomic<FrameCallback*> callback{nullptr};
  GstVideoInfo info;  // written and read on the streaming thread only
  bool haveInfo = false;
};

GstPadProbeReturn GrabberProbe(GstPad*, GstPadProbeInfo* info, gpointer data) noexcept {
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
  // The callback is the program's code and must not unwind into GStreamer: a frame it fails on
  // is lost, and the next one tries again.
  try {
    if (callback == nullptr || !state->haveInfo || !callback->Wanted()) return GST_PAD_PROBE_OK;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    MappedVideoFrame frame(&state->info, buffer);
    if (!frame.mapped()) return GST_PAD_PROBE_OK;
    SampleView view;
    view.data = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame.get(), 0));
    view.rowBytes = static_cast<std::size_t>(GST_VIDEO_FRAME_WIDTH(frame.get())) *
                    GST_VIDEO_FRAME_COMP_PSTRIDE(frame.get(), 0);
    view.rows = static_cast<std::size_t>(GST_VIDEO_FRAME_HEIGHT(frame.get()));
    view.stride = static_cast<std::size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame.get(), 0));
    view.topDown = true;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    callback->BufferCB(GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<double>(pts) / GST_SECOND : 0.0,
                       view);
  } catch (...) {
  }
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

class GstFilter final : public Filter {
 public:
  explicit GstFilter(GstPtr<GstElement> element) : element_(std::move(element)) {}
  GstElement* element() const { return element_.get(); }

  Status EnumPins(std::vector<std::shared_ptr<Pin>>& pins) override {
    pins.clear();
    IteratorPtr iterator(gst_element_iterate_pads(element_.get()));
    ScopedValue item;
    for (;;) {
      switch (gst_iterator_next(iterator.get(), item.get())) {
        case GST_ITERATOR_OK:
          pins.push_back(std::make_shared<GstPinImpl>(
              Retain(static_cast<GstPad*>(g_value_get_object(item.get())))));
          item.Reset();
          continue;
        case GST_ITERATOR_RESYNC:
          pins.clear();
          gst_iterator_resync(iterator.get());
          continue;
        case GST_ITERATOR_DONE:
          return Status::Ok;
        case GST_ITERATOR_ERROR:
          return Status::Fail;
      }
    }
  }

  std::shared_ptr<ProcAmp> QueryProcAmp() override { return MakePictureControls(element_.get()); }

  std::shared_ptr<SampleGrabber> QuerySampleGrabber() override {
    auto* state = AttachedData<GrabberState>(element_.get(), kGrabberKey);
    if (state == nullptr) return nullptr;
    return std::make_shared<GstGrabber>(Retain(element_.get()), state);
  }

 private:
  GstPtr<GstElement> element_;
};

}  // namespace

bool ChangeState(GstElement* element, GstState state) {
  GstStateChangeReturn result = gst_element_set_state(element, state);
  if (result == GST_STATE_CHANGE_ASYNC) {
    result = gst_element_get_state(element, nullptr, nullptr, kStateTimeout);
  }
  return result != GST_STATE_CHANGE_FAILURE;
}

GstPtr<GstElement> MakeCapsFilter(const char* caps) {
  GstPtr<GstElement> filter = MakeElement("capsfilter");
  if (filter == nullptr) return nullptr;
  CapsPtr parsed(gst_caps_from_string(caps));
  g_object_set(filter.get(), "caps", parsed.get(), nullptr);
  return filter;
}

std::shared_ptr<Filter> MakeFilter(GstPtr<GstElement> element) {
  return std::make_shared<GstFilter>(std::move(element));
}

GstPad* PadOfPin(Pin& pin) {
  auto* gstPin = dynamic_cast<GstPinImpl*>(&pin);
  return gstPin != nullptr ? gstPin->pad() : nullptr;
}

GstElement* ElementOfFilter(Filter& filter) {
  auto* gstFilter = dynamic_cast<GstFilter*>(&filter);
  return gstFilter != nullptr ? gstFilter->element() : nullptr;
}

std::shared_ptr<Filter> MakeSampleGrabber() {
  GstPtr<GstElement> grabber = MakeCapsFilter("video/x-raw,format=BGR");
  if (grabber == nullptr) return nullptr;
  GrabberState* state = AttachData(grabber.get(), kGrabberKey, std::make_unique<GrabberState>());
  GstPtr<GstPad> pad(gst_element_get_static_pad(grabber.get(), "src"));
  gst_pad_add_probe(
      pad.get(),
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      GrabberProbe, state, nullptr);
  return MakeFilter(std::move(grabber));
}

}  // namespace tavo::media
