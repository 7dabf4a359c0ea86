// What the file benchmarks share: where their scratch files go (in a testing::ScratchFolder), the
// picture they encode, and how they read a file back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "filehandle.h"
#include "motiondetector.h"
#include "scratch_folder.h"

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

// The whole of the file at `path`. Ends the process when it cannot be read: a benchmark without its
// input measures nothing.
inline std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  FilePtr file = OpenFile(path.c_str(), "rb");
  if (ec || !file) std::abort();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) std::abort();
  return bytes;
}

}  // namespace tavo::bench
