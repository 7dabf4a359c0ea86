// The factory of the GStreamer platform; each kind of object it makes lives in its own file
// (gstcameras, gstconverters, gstfilters, gstgraph, gstpicturecontrols).
#include "gstplatform.h"

#include "gstinternal.h"

namespace tavo::media {

GstPlatform::GstPlatform(VideoSurfaceFactory* surfaces) : surfaces_(surfaces) {
  initialized_ = gst_init_check(nullptr, nullptr, nullptr);
}

GstPlatform::~GstPlatform() = default;

Status GstPlatform::CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) {
  if (!initialized_) return Status::Fail;
  enumerator = MakeDeviceEnumerator();
  return Status::Ok;
}

Status GstPlatform::CreateFilterGraph(std::shared_ptr<Graph>& graph) {
  if (!initialized_) return Status::Fail;
  std::shared_ptr<Graph> made = MakeGraph(surfaces_);
  if (made == nullptr) return Status::Fail;
  graph = std::move(made);
  return Status::Ok;
}

Status GstPlatform::CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) {
  if (!initialized_) return Status::Fail;
  builder = MakeCaptureGraphBuilder();
  return Status::Ok;
}

Status GstPlatform::CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) {
  if (!initialized_) return Status::Fail;
  mapper = MakeFilterMapper();
  return Status::Ok;
}

Status GstPlatform::CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) {
  if (!initialized_ || id != FilterId::SampleGrabber) return Status::Fail;
  std::shared_ptr<Filter> grabber = MakeSampleGrabber();
  if (grabber == nullptr) return Status::Fail;
  filter = std::move(grabber);
  return Status::Ok;
}

}  // namespace tavo::media
