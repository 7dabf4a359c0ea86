// The media platform on GStreamer: cameras from the device monitor (plus a virtual camera when
// TAVO_VIRTUAL_CAMERA is set), a pipeline as the graph, element factories as converters, a
// buffer probe as the grabber, an appsink that hands frames to a Qt surface as the renderer, and
// GstColorBalance (and the V4L2 gamma control) as the picture properties. The caps conversions
// are in gstcaps.h.
#pragma once

#include "platform.h"

typedef struct _GstElement GstElement;

namespace tavo::media {

// The friendly name of the virtual camera.
inline constexpr const char* kVirtualCameraName = "Tavo Virtual Camera";
// The environment variable that lists it: any value gives a test picture with a moving ball (in
// YUY2 at any size); kVirtualCameraMotionJpeg gives that picture only as Motion-JPEG at 640 x 480,
// 320 x 240 and 160 x 120; the path of a video file replays that file in a loop.
inline constexpr const char* kVirtualCameraVariable = "TAVO_VIRTUAL_CAMERA";
inline constexpr const char* kVirtualCameraMotionJpeg = "mjpeg";

class GstPlatform final : public Platform {
 public:
  // `surfaces` (not owned, may be none: frames then go unseen) outlives the platform's graphs.
  explicit GstPlatform(VideoSurfaceFactory* surfaces);
  ~GstPlatform() override;

  // False when GStreamer could not be initialised; every operation then fails.
  bool initialized() const { return initialized_; }

  Status CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) override;
  Status CreateFilterGraph(std::shared_ptr<Graph>& graph) override;
  Status CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) override;
  Status CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) override;
  Status CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) override;

 private:
  VideoSurfaceFactory* surfaces_;
  bool initialized_ = false;
};

// The GStreamer element behind a filter of this platform (borrowed), or none.
GstElement* ElementOfFilter(Filter& filter);

}  // namespace tavo::media
