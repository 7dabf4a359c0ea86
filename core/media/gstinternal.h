// What the files of the GStreamer platform share among themselves. Private to core/media: the
// rest of the suite sees only gstplatform.h and gstcaps.h.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <initializer_list>
#include <memory>

#include "gstref.h"
#include "platform.h"

namespace tavo::media {

class V4l2Driver;

// Bound on waiting for GStreamer: state changes, the first frame of a video file.
inline constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;
// Inside a camera bin: the element that produces the pictures, and the capsfilter after it that
// carries the stream configuration.
inline constexpr const char* kSourceName = "tavo-source";
inline constexpr const char* kConfigName = "tavo-config";

// Sets `element`'s state and waits (up to kStateTimeout) when the change is asynchronous. False
// when the change failed.
bool ChangeState(GstElement* element, GstState state);

// A new element of `factory`, owned (its floating reference sunk); none when GStreamer lacks it.
inline GstPtr<GstElement> MakeElement(const char* factory, const char* name = nullptr) {
  return AdoptFloating(gst_element_factory_make(factory, name));
}

// A capsfilter that lets only `caps` through; none when the element is missing.
GstPtr<GstElement> MakeCapsFilter(const char* caps);

// A mapped video frame, unmapped when it goes (also when a callback unwinds).
class MappedVideoFrame {
 public:
  MappedVideoFrame(const GstVideoInfo* info, GstBuffer* buffer)
      : mapped_(buffer != nullptr && gst_video_frame_map(&frame_, info, buffer, GST_MAP_READ)) {}
  ~MappedVideoFrame() {
    if (mapped_) gst_video_frame_unmap(&frame_);
  }
  MappedVideoFrame(const MappedVideoFrame&) = delete;
  MappedVideoFrame& operator=(const MappedVideoFrame&) = delete;

  // False when the buffer was none or could not be mapped for reading.
  bool mapped() const { return mapped_; }
  GstVideoFrame* get() { return &frame_; }

 private:
  GstVideoFrame frame_{};
  bool mapped_;
};

// ---- filters and pins (gstfilters.cpp) ----

// A filter over `element`, which must not be none.
std::shared_ptr<Filter> MakeFilter(GstPtr<GstElement> element);
// The pad behind a pin of this platform (borrowed), or none.
GstPad* PadOfPin(Pin& pin);
// A pass-through that lets only B,G,R through, with a probe handing every buffer to the callback
// set on its SampleGrabber; none when an element is missing.
std::shared_ptr<Filter> MakeSampleGrabber();

// ---- cameras (gstcameras.cpp) ----

// Lists the device monitor's video sources, then the virtual camera when asked for. Never none.
std::shared_ptr<DeviceEnumerator> MakeDeviceEnumerator();

// ---- picture controls (gstpicturecontrols.cpp) ----

// Records every colour-balance value of a freshly bound camera bin as the value its properties
// reset to. Not for a V4L2 camera, whose defaults are its driver's.
void RecordPictureDefaults(GstElement* camera);
// Gives a camera bin picture ranges of its own in place of its colour balance's channel ranges,
// each mapped linearly onto its channel: `ranges` holds {property, minimum, maximum} rows. The
// virtual camera's software balance counts -1000..1000, which no webcam does and no field shows.
struct ShownPictureRange {
  int property;
  long minimum;
  long maximum;
};
void SetShownPictureRanges(GstElement* camera, std::initializer_list<ShownPictureRange> ranges);
// The picture properties of a camera bin: a V4L2 source's through the kernel's control ioctls,
// others' through the bin's colour balance; none when `camera` is no bin, or has neither.
std::shared_ptr<ProcAmp> MakePictureControls(GstElement* camera);
// The same with the V4L2 control ioctls of `driver` (which must outlive the result).
std::shared_ptr<ProcAmp> MakePictureControls(GstElement* camera, V4l2Driver& driver);

// ---- converter search (gstconverters.cpp) ----

// Finds colour-space converters and decoders in the registry by rank and caps. Never none.
std::shared_ptr<FilterMapper> MakeFilterMapper();

// ---- the graph (gstgraph.cpp) ----

// An empty graph whose renderers paint on surfaces of `surfaces` (may be none); none when
// GStreamer could not make a pipeline.
std::shared_ptr<Graph> MakeGraph(VideoSurfaceFactory* surfaces);
// Makes a camera bin's source pad `cameraOutput` (a ghost pad) offer the sizes its source has only
// as Motion-JPEG as raw video too: the stream configuration decodes them when asked for one.
void OfferDecodedMotionJpeg(GstPad* cameraOutput);
// Finds a camera bin's stream configuration (its capsfilter). Never none.
std::shared_ptr<CaptureGraphBuilder> MakeCaptureGraphBuilder();

}  // namespace tavo::media
