// Cameras for tests on the simulated media platform: the formats and picture properties of a
// typical USB camera, written once.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "media/simulatedplatform.h"

namespace tavo::testing {

// A video media type of `subtype` with `bits` per pixel and an image size to match.
inline media::MediaType VideoType(const std::string& subtype, int width, int height, int bits) {
  media::MediaType type;
  type.majorType = media::kMajorTypeVideo;
  type.subtype = subtype;
  type.width = width;
  type.height = height;
  type.bitCount = static_cast<std::uint16_t>(bits);
  type.sizeImage = static_cast<std::uint32_t>(width * height * bits / 8);
  return type;
}

inline media::MediaType Rgb24(int width, int height) {
  return VideoType(media::kSubtypeRGB24, width, height, 24);
}

struct FrameSize {
  int width = 0;
  int height = 0;
};

// A camera called `name` offering RGB24 in each of `sizes`, the first being the one it starts in.
// It has the ProcAmp interface but no picture property; see WithPictureProperties.
inline media::SimDevice SimCamera(const std::string& name,
                                  std::initializer_list<FrameSize> sizes = {{320, 240}}) {
  media::SimDevice device;
  device.name = name;
  for (const FrameSize& size : sizes) device.formats.push_back(Rgb24(size.width, size.height));
  return device;
}

// `device` with brightness, contrast, saturation and gamma over a typical camera's ranges,
// saturation starting at `saturation`.
inline media::SimDevice WithPictureProperties(media::SimDevice device, long saturation) {
  device.properties = {{media::kPropertyBrightness, {-100, 100, 1, 10, 2}},
                       {media::kPropertyContrast, {0, 200, 1, 100, 2}},
                       {media::kPropertySaturation, {0, 200, 1, saturation, 2}},
                       {media::kPropertyGamma, {1, 9, 1, 5, 2}}};
  return device;
}

// `device` without the ProcAmp interface, so with no picture property either.
inline media::SimDevice WithoutProcAmp(media::SimDevice device) {
  device.hasProcAmp = false;
  device.properties.clear();
  return device;
}

}  // namespace tavo::testing
