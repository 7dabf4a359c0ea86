#include "gstcaps.h"

#include <gst/video/video.h>

#include <cstdlib>

namespace tavo::media {

namespace {

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
    type.bitCount = BitCountOfSubtype(type.subtype);
    type.sizeImage = static_cast<std::uint32_t>(std::int64_t{type.bitCount} * type.width *
                                                std::abs(type.height) / 8);
    types.push_back(type);
  }
}

}  // namespace

std::uint16_t BitCountOfSubtype(const std::string& subtype) {
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

std::vector<MediaType> CapsToMediaTypes(const GstCaps* caps) {
  std::vector<MediaType> types;
  if (caps == nullptr || gst_caps_is_any(caps)) return types;
  for (guint i = 0; i < gst_caps_get_size(caps) && types.size() < kMaxMediaTypes; ++i) {
    AppendMediaTypes(gst_caps_get_structure(caps, i), types);
  }
  if (types.size() > kMaxMediaTypes) types.resize(kMaxMediaTypes);
  return types;
}

CapsPtr MediaTypeToCaps(const MediaType& type) {
  if (type.majorType != kMajorTypeVideo) return nullptr;
  CapsPtr caps;
  if (type.subtype == "MJPG") {
    caps.reset(gst_caps_new_empty_simple("image/jpeg"));
  } else {
    const std::string format = type.subtype == kSubtypeRGB24 ? "BGR" : type.subtype;
    if (gst_video_format_from_string(format.c_str()) == GST_VIDEO_FORMAT_UNKNOWN) return nullptr;
    caps.reset(
        gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format.c_str(), nullptr));
  }
  if (type.width > 0) gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, type.width, nullptr);
  // The sign of the height only says which row comes first in memory.
  if (type.height != 0) {
    gst_caps_set_simple(caps.get(), "height", G_TYPE_INT, std::abs(type.height), nullptr);
  }
  return caps;
}

unsigned MeritToRank(std::uint32_t merit) {
  if (merit <= kMeritDoNotUse) return GST_RANK_NONE;
  // Linear from "do not use" (rank none) to "preferred" 0x800000 (primary), rounded up.
  const std::uint64_t above = merit - kMeritDoNotUse;
  return static_cast<unsigned>((above * GST_RANK_PRIMARY + 0x5FFFFF) / 0x600000);
}

}  // namespace tavo::media
