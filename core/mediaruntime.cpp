#include "mediaruntime.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/gstref.h"

namespace tavo {

namespace {

// Sources (camera, virtual camera, video file), the converter, the format filter, the proc amp
// of the virtual camera and the grabber.
constexpr std::string_view kElements[] = {
    "v4l2src",    "videotestsrc", "filesrc", "decodebin", "videobalance", "videoconvert",
    "videoscale", "capsfilter",   "queue",   "identity",  "appsink",
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
