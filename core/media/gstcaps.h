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
// several (BGR becomes RGB24; image/jpeg becomes MJPG; raw video without a format field gets the
// empty subtype; other structures keep their name as the major type). Sizes come from fixed width
// and height fields, else 0. At most kMaxMediaTypes; none for null or ANY caps.
std::vector<MediaType> CapsToMediaTypes(const GstCaps* caps);

// The caps of `type` (size fields only when non-zero; the height without its sign), or none for
// a type GStreamer cannot carry. A video type with the empty subtype is raw video in any format.
CapsPtr MediaTypeToCaps(const MediaType& type);

// ---- a camera's formats ----
// A camera's source offers raw video and often Motion-JPEG, many cameras some sizes only as
// Motion-JPEG. The camera decodes that itself (`decoded` below is what the decoder gives; none
// when there is no decoder), so the graph sees raw video at every size the camera has.

// What a camera whose source offers `device` puts out: its raw video; then its Motion-JPEG
// decoded, at the sizes no raw format of the source has (raw video at a size costs no decoding);
// then the Motion-JPEG itself, and anything else the source offers. None for null caps; ANY for
// ANY.
CapsPtr CameraOutputCaps(const GstCaps* device, const GstCaps* decoded);

// How a camera delivers `wanted`: what to ask of its source, and what it puts out.
struct CameraFormat {
  // Name, format and size fixed; the source picks its frame rate. None: not deliverable.
  CapsPtr source;
  CapsPtr output;       // `source`, or the decoded raw video when `decode`
  bool decode = false;  // the source's Motion-JPEG goes through the decoder
};
// `wanted` straight from the source when it offers it (first in the source's order), else from
// its Motion-JPEG decoded where CameraOutputCaps offers that; none when neither gives it.
CameraFormat ChooseCameraFormat(const GstCaps* device, const GstCaps* decoded,
                                const GstCaps* wanted);

// GStreamer rank that a converter needs for the given merit (merit one above "do not use" needs
// any rank above none).
unsigned MeritToRank(std::uint32_t merit);

}  // namespace tavo::media
