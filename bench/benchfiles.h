// What the file benchmarks share: where their scratch files go, and the picture they encode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "motiondetector.h"

namespace tavo::bench {

// In memory where the system offers it, so that disk noise does not swamp the figures.
inline std::filesystem::path ScratchBase() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                       : std::filesystem::temp_directory_path();
}

// A camera-like picture (rows top-down, red, green, blue): gradients with some texture, so the
// codec does typical work.
inline std::vector<std::uint8_t> CameraLikePicture() {
  using cctv::kFrameBytes;
  using cctv::kFrameHeight;
  using cctv::kFrameWidth;
  std::vector<std::uint8_t> frame(kFrameBytes);
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      std::uint8_t* p = &frame[(std::size_t(y) * kFrameWidth + x) * 3];
      p[0] = std::uint8_t(x * 255 / kFrameWidth);
      p[1] = std::uint8_t(y + ((x * 7 + y * 13) % 23));
      p[2] = std::uint8_t(((x / 20 + y / 20) % 2) * 180 + (x ^ y) % 16);
    }
  return frame;
}

}  // namespace tavo::bench
