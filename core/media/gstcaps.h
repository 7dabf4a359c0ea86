// Our media types <-> GStreamer caps. Pure conversions: they need gst_init and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gstref.h"
#include "platform.h"

namespace tavo::media {

// Most media types taken from one caps; a device listing thousands of sizes gets cut here.
inline constexpr std::size_t kMaxMediaTypes = 256;

// Bits per pixel of `subtype`: 24 for RGB24 and MJPG; for a GStreamer video format name the bits
// of its one plane, or the average over the subsampled planes of a planar format (I420: 12).
// 0 for a name GStreamer does not know.
std::uint16_t BitCountOfSubtype(const std::string& subtype);

// One media type per structure of `caps`, and per format where a raw-video structure lists
// several (BGR becomes RGB24; image/jpeg becomes MJPG; other structures keep their name as the
// major type). Sizes come from fixed width and height fields, else 0. At most kMaxMediaTypes;
// none for null or ANY caps.
std::vector<MediaType> CapsToMediaTypes(const GstCaps* caps);

// The caps of `type` (size fields only when non-zero; the height without its sign), or none for
// a type GStreamer cannot carry.
CapsPtr MediaTypeToCaps(const MediaType& type);

// GStreamer rank that a converter needs for the given merit (merit one above "do not use" needs
// any rank above none).
unsigned MeritToRank(std::uint32_t merit);

}  // namespace tavo::media
