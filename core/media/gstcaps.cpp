#include "gstcaps.h"

#include <gst/video/video.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

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
  if (value == nullptr) {
    formats.emplace_back();  // any format
  } else if (G_VALUE_HOLDS_STRING(value)) {
    formats.push_back(g_value_get_string(value));
  } else if (GST_VALUE_HOLDS_LIST(value)) {
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

// `first` and `second` in common, in `first`'s order. (GStreamer reads but takes no const caps.)
CapsPtr Intersect(const GstCaps* first, const GstCaps* second) {
  return CapsPtr(gst_caps_intersect_full(const_cast<GstCaps*>(first), const_cast<GstCaps*>(second),
                                         GST_CAPS_INTERSECT_FIRST));
}

bool IsRaw(const GstStructure* structure) {
  return gst_structure_has_name(structure, "video/x-raw");
}
bool IsMotionJpeg(const GstStructure* structure) {
  return gst_structure_has_name(structure, "image/jpeg");
}

// Keeps only the fields that say which pictures come, how large and how often.
gboolean KeepPictureFields(GQuark field, GValue*, gpointer data) noexcept {
  const auto* keep = static_cast<const std::vector<GQuark>*>(data);
  return std::find(keep->begin(), keep->end(), field) != keep->end();
}
void KeepFields(GstStructure* structure, std::initializer_list<const char*> names) {
  std::vector<GQuark> keep;
  for (const char* name : names) keep.push_back(g_quark_from_static_string(name));
  gst_structure_filter_and_map_in_place(structure, KeepPictureFields, &keep);
}

// The sizes a raw structure covers, any format and frame rate (a missing field is any value).
GstStructure* SizesOf(const GstStructure* structure) {
  GstStructure* sizes = gst_structure_copy(structure);
  KeepFields(sizes, {"width", "height"});
  return sizes;
}

// The device's Motion-JPEG as the decoder puts it out, less the sizes its raw video covers.
CapsPtr DecodedOnly(const GstCaps* device, const GstCaps* decoded) {
  CapsPtr candidates(gst_caps_new_empty());
  CapsPtr covered(gst_caps_new_empty());
  for (guint i = 0; i < gst_caps_get_size(device); ++i) {
    const GstStructure* structure = gst_caps_get_structure(device, i);
    if (IsRaw(structure)) {
      gst_caps_append_structure(covered.get(), SizesOf(structure));
    } else if (IsMotionJpeg(structure)) {
      GstStructure* raw = gst_structure_copy(structure);
      gst_structure_set_name(raw, "video/x-raw");
      KeepFields(raw, {"width", "height", "framerate", "pixel-aspect-ratio"});
      gst_caps_append_structure(candidates.get(), raw);
    }
  }
  if (decoded == nullptr) return CapsPtr(gst_caps_new_empty());
  if (gst_caps_is_empty(candidates.get())) return candidates;
  candidates = Intersect(candidates.get(), decoded);
  if (gst_caps_is_empty(covered.get())) return candidates;
  return CapsPtr(gst_caps_subtract(candidates.get(), covered.get()));
}

// `structure` with name, format and size only, each fixed (the first of a list, the lowest of a
// range): what a source is asked for, leaving it the frame rate.
CapsPtr Settled(const GstStructure* structure) {
  GstStructure* settled = gst_structure_new_empty(gst_structure_get_name(structure));
  for (const char* field : {"format", "width", "height"}) {
    if (const GValue* value = gst_structure_get_value(structure, field)) {
      gst_structure_set_value(settled, field, value);
    }
  }
  gst_structure_fixate(settled);
  CapsPtr caps(gst_caps_new_empty());
  gst_caps_append_structure(caps.get(), settled);
  return caps;
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
  } else if (type.subtype.empty()) {
    caps.reset(gst_caps_new_empty_simple("video/x-raw"));
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

CapsPtr CameraOutputCaps(const GstCaps* device, const GstCaps* decoded) {
  if (device == nullptr) return nullptr;
  if (gst_caps_is_any(device)) return CapsPtr(gst_caps_new_any());
  CapsPtr output(gst_caps_new_empty());
  for (guint i = 0; i < gst_caps_get_size(device); ++i) {
    if (IsRaw(gst_caps_get_structure(device, i))) {
      gst_caps_append(output.get(), gst_caps_copy_nth(device, i));
    }
  }
  gst_caps_append(output.get(), DecodedOnly(device, decoded).release());
  for (guint i = 0; i < gst_caps_get_size(device); ++i) {
    if (!IsRaw(gst_caps_get_structure(device, i))) {
      gst_caps_append(output.get(), gst_caps_copy_nth(device, i));
    }
  }
  return output;
}

CameraFormat ChooseCameraFormat(const GstCaps* device, const GstCaps* decoded,
                                const GstCaps* wanted) {
  CameraFormat format;
  if (device == nullptr || wanted == nullptr) return format;
  const CapsPtr direct = Intersect(device, wanted);
  if (!gst_caps_is_empty(direct.get())) {
    format.source = Settled(gst_caps_get_structure(direct.get(), 0));
    format.output.reset(gst_caps_copy(format.source.get()));
    return format;
  }
  if (decoded == nullptr || gst_caps_is_any(device)) return format;
  const CapsPtr reached = Intersect(DecodedOnly(device, decoded).get(), wanted);
  if (gst_caps_is_empty(reached.get())) return format;
  format.output = Settled(gst_caps_get_structure(reached.get(), 0));
  const GstStructure* output = gst_caps_get_structure(format.output.get(), 0);
  GstStructure* source = gst_structure_new_empty("image/jpeg");
  for (const char* field : {"width", "height"}) {
    if (const GValue* value = gst_structure_get_value(output, field)) {
      gst_structure_set_value(source, field, value);
    }
  }
  format.source.reset(gst_caps_new_empty());
  gst_caps_append_structure(format.source.get(), source);
  format.decode = true;
  return format;
}

unsigned MeritToRank(std::uint32_t merit) {
  if (merit <= kMeritDoNotUse) return GST_RANK_NONE;
  // Linear from "do not use" (rank none) to "preferred" 0x800000 (primary), rounded up.
  const std::uint64_t above = merit - kMeritDoNotUse;
  return static_cast<unsigned>((above * GST_RANK_PRIMARY + 0x5FFFFF) / 0x600000);
}

}  // namespace tavo::media
