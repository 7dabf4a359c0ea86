// Frame-to-frame motion test of TavoCCTV: luma of every examined frame against the luma of the
// frame examined before it, counted on every second pixel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tavo::cctv {

inline constexpr int kFrameWidth = 320;
inline constexpr int kFrameHeight = 240;
inline constexpr std::size_t kFrameBytes = std::size_t{kFrameWidth} * kFrameHeight * 3;
inline constexpr std::size_t kLumaBytes = std::size_t{kFrameWidth} * kFrameHeight;
// Every second pixel of the luma image is compared.
inline constexpr int kSampleCount = static_cast<int>(kLumaBytes / 2);
// A frame with at least this many changed samples is a motion frame.
inline constexpr int kMinChangedPixels = 20;
inline constexpr int kSliderMax = 255;
inline constexpr int kInitialSensitivity = 128;

// Luma of one blue, green, red pixel: (19595 R + 38470 G + 7471 B) >> 16.
constexpr std::uint8_t LumaOf(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  return static_cast<std::uint8_t>((19595u * r + 38470u * g + 7471u * b) >> 16);
}

// Fills `luma` with width * height luma bytes of the blue, green, red `frame`, in the frame's own
// pixel order. False (nothing written) when a size is not positive or a buffer is too small.
bool ToLuma(std::span<std::uint8_t> luma, std::span<const std::uint8_t> frame, int width,
            int height);

class MotionDetector {
 public:
  MotionDetector();

  // Number of sample pixels (0 .. 38400) whose luma differs from the previous examined frame by
  // more than motionThreshold(); the frame then becomes the reference. The first frame after
  // construction or ResetReference() only becomes the reference and gives 0. A frame that is not
  // 320 x 240 x 3 bytes gives 0 and leaves the reference alone.
  int CountChangedPixels(std::span<const std::uint8_t> frame);

  // The sensitivity slider moved to `position` (clamped to 0 .. 255): threshold = 255 - position.
  void SetSensitivity(int position);

  // Threshold 128 with the slider shown at 128 (one step apart from what moving the slider to 128
  // would set, as the settings refresh has always done).
  void ResetSensitivity();

  // Forgets the reference, so the next frame is compared with nothing; for the start of a run.
  void ResetReference() { haveReference = false; }

  int motionThreshold() const { return threshold; }
  int sliderPosition() const { return slider; }
  bool hasReference() const { return haveReference; }

  static bool IsMotion(int changedPixels) { return changedPixels >= kMinChangedPixels; }

 private:
  using Kernel = int (*)(const std::uint8_t* frame, std::uint8_t* reference, int threshold);

  // Only the sample pixels are ever compared, so only their luma is kept.
  alignas(64) std::array<std::uint8_t, kSampleCount> referenceLuma{};
  bool haveReference = false;
  int threshold = kInitialSensitivity;
  int slider = kInitialSensitivity;
  Kernel kernel;
};

// The portable and the vector kernel of CountChangedPixels, exposed so tests can hold them to the
// same answers. Each compares and replaces `reference` (38400 sample lumas) and returns the count.
int CountChangedSamplesPortable(const std::uint8_t* frame, std::uint8_t* reference, int threshold);
// Null when this processor lacks AVX2.
using SampleKernel = int (*)(const std::uint8_t*, std::uint8_t*, int);
SampleKernel VectorSampleKernel();

}  // namespace tavo::cctv
