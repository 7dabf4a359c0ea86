#include "mediaruntime.h"

#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavo {

namespace {

// Sources (camera, virtual camera, video file), the converter, the format filter, the proc amp
// of the virtual camera and the grabber.
constexpr std::string_view kElements[] = {
    "v4l2src",     "videotestsrc", "filesrc", "decodebin", "videobalance", "videoconvert",
    "videoscale",  "capsfilter",   "queue",   "identity",  "appsink",
};

void Debug(const std::string& text) {
  if (std::getenv("TAVO_DEBUG") != nullptr) std::fputs(text.c_str(), stderr);
}

}  // namespace

std::span<const std::string_view> RequiredMediaElements() { return kElements; }

std::uint32_t GetDirectXVersion(std::span<const std::string_view> elements) {
  GError* error = nullptr;
  if (!gst_init_check(nullptr, nullptr, &error)) {
    Debug(std::string("Couldn't initialise GStreamer: ") + (error ? error->message : "?") + "\r\n");
    g_clear_error(&error);
    return kMediaRuntimeMissing;
  }
  GstRegistry* registry = gst_registry_get();
  for (std::string_view name : elements) {
    const std::string element(name);
    GstPluginFeature* feature =
        gst_registry_lookup_feature(registry, element.c_str());
    if (feature == nullptr || !GST_IS_ELEMENT_FACTORY(feature)) {
      if (feature != nullptr) gst_object_unref(feature);
      Debug("Couldn't find GStreamer element " + element + "\r\n");
      return kMediaRuntimeMissing;
    }
    gst_object_unref(feature);
  }
  return kMediaRuntimeComplete;
}

std::uint32_t GetDirectXVersion() { return GetDirectXVersion(RequiredMediaElements()); }

}  // namespace tavo
