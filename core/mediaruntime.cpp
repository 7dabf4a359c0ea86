#include "mediaruntime.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/gstref.h"

namespace tavo {

namespace {

// Every element the graph makes by name: the sources (camera, virtual camera, its Motion-JPEG
// mode, the video file's own pipeline and the appsrc it feeds), the proc amp of the virtual
// camera, the capsfilters (stream configuration, grabber), the Motion-JPEG decoder, the renderer;
// and videoconvert, which the video file needs and the converter search finds.
constexpr std::string_view kElements[] = {
    "v4l2src",      "videotestsrc", "jpegenc",    "filesrc",    "decodebin", "appsrc",
    "videobalance", "videoconvert", "videoscale", "capsfilter", "jpegdec",   "appsink",
};

void Debug(const std::string& text) {
  if (std::getenv("TAVO_DEBUG") != nullptr) std::fputs(text.c_str(), stderr);
}

}  // namespace

std::span<const std::string_view> RequiredMediaElements() { return kElements; }

std::uint32_t GetDirectXVersion(std::span<const std::string_view> elements) {
  GError* error = nullptr;
  const bool initialised = gst_init_check(nullptr, nullptr, &error);
  const media::ErrorPtr failure(error);
  if (!initialised) {
    Debug(std::string("Couldn't initialise GStreamer: ") + (failure ? failure->message : "?") +
          "\r\n");
    return kMediaRuntimeMissing;
  }
  GstRegistry* registry = gst_registry_get();
  for (std::string_view name : elements) {
    const std::string element(name);
    const media::GstPtr<GstPluginFeature> feature(
        gst_registry_lookup_feature(registry, element.c_str()));
    if (feature == nullptr || !GST_IS_ELEMENT_FACTORY(feature.get())) {
      Debug("Couldn't find GStreamer element " + element + "\r\n");
      return kMediaRuntimeMissing;
    }
  }
  return kMediaRuntimeComplete;
}

std::uint32_t GetDirectXVersion() { return GetDirectXVersion(RequiredMediaElements()); }

}  // namespace tavo
