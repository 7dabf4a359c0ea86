#include "motiondetector.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tavo::cctv {
namespace {

using Frame = std::vector<std::uint8_t>;

Frame Grey(std::uint8_t level) { return Frame(kFrameBytes, level); }

void SetPixel(Frame& f, int index, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  f[std::size_t(index) * 3] = b;
  f[std::size_t(index) * 3 + 1] = g;
  f[std::size_t(index) * 3 + 2] = r;
}

// `count` distinct sample pixels (even columns, spread over rows) set to grey `level`.
Frame WithChangedSamples(std::uint8_t base, std::uint8_t level, int count) {
  Frame f = Grey(base);
  for (int k = 0; k < count; ++k) {
    const int row = (k * 37) % kFrameHeight, column = 2 * ((k * 11) % (kFrameWidth / 2));
    SetPixel(f, row * kFrameWidth + column, level, level, level);
  }
  return f;
}

// A detector whose reference holds `frame`.
MotionDetector PrimedWith(const Frame& frame) {
  MotionDetector d;
  EXPECT_EQ(d.CountChangedPixels(frame), 0);
  return d;
}

TEST(MotionDetector, LumaOfPureColours) {
  EXPECT_EQ(LumaOf(255, 255, 255), 255);
  EXPECT_EQ(LumaOf(0, 0, 0), 0);
  EXPECT_EQ(LumaOf(0, 0, 255), 76);   // red
  EXPECT_EQ(LumaOf(0, 255, 0), 149);  // green
  EXPECT_EQ(LumaOf(255, 0, 0), 29);   // blue
  EXPECT_EQ(LumaOf(129, 129, 129), 129);

  // ToLuma keeps the frame's pixel order and refuses buffers that are too small.
  const std::uint8_t frame[] = {0, 0, 255, 255, 0, 0, 255, 255, 255, 0, 255, 0};
  std::uint8_t luma[4] = {};
  ASSERT_TRUE(ToLuma(luma, frame, 2, 2));
  EXPECT_EQ(luma[0], 76);
  EXPECT_EQ(luma[1], 29);
  EXPECT_EQ(luma[2], 255);
  EXPECT_EQ(luma[3], 149);
  EXPECT_FALSE(ToLuma(std::span(luma, 3), frame, 2, 2));
  EXPECT_FALSE(ToLuma(luma, std::span(frame, 11), 2, 2));
  EXPECT_FALSE(ToLuma(luma, frame, 0, 2));
}

TEST(MotionDetector, FirstFrameOnlyBecomesTheReference) {
  MotionDetector d;
  EXPECT_FALSE(d.hasReference());
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), 0);  // against nothing, not against zeroes
  EXPECT_EQ(d.CountChangedPixels(Grey(0)), kSampleCount);
  d.ResetReference();
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), 0);
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), 0);  // two identical frames
}

TEST(MotionDetector, TwentyChangedSamplesMakeMotionNineteenDoNot) {
  // Threshold 128; each changed sample moves by 129 luma levels.
  MotionDetector d19 = PrimedWith(Grey(0));
  const int n19 = d19.CountChangedPixels(WithChangedSamples(0, 129, 19));
  EXPECT_EQ(n19, 19);
  EXPECT_FALSE(MotionDetector::IsMotion(n19));

  MotionDetector d20 = PrimedWith(Grey(0));
  const int n20 = d20.CountChangedPixels(WithChangedSamples(0, 129, 20));
  EXPECT_EQ(n20, 20);
  EXPECT_TRUE(MotionDetector::IsMotion(n20));

  // The moved picture is the new reference: the same frame again is no motion.
  EXPECT_EQ(d20.CountChangedPixels(WithChangedSamples(0, 129, 20)), 0);
  // And moving back counts again.
  EXPECT_EQ(d20.CountChangedPixels(Grey(0)), 20);
}

TEST(MotionDetector, DifferenceEqualToThresholdDoesNotCount) {
  MotionDetector d = PrimedWith(Grey(0));
  EXPECT_EQ(d.motionThreshold(), 128);
  EXPECT_EQ(d.CountChangedPixels(WithChangedSamples(0, 128, 30)), 0);
  EXPECT_EQ(d.CountChangedPixels(Grey(0)), 0);
  EXPECT_EQ(d.CountChangedPixels(WithChangedSamples(0, 129, 30)), 30);
  // Downward changes count the same as upward ones.
  EXPECT_EQ(d.CountChangedPixels(Grey(0)), 30);
}

TEST(MotionDetector, OddColumnsAreNeverSeen) {
  MotionDetector d = PrimedWith(Grey(0));
  d.SetSensitivity(255);  // most sensitive
  Frame f = Grey(0);
  for (int row = 0; row < kFrameHeight; ++row)
    for (int column = 1; column < kFrameWidth; column += 2)
      SetPixel(f, row * kFrameWidth + column, 255, 255, 255);
  EXPECT_EQ(d.CountChangedPixels(f), 0);
  // Every even column changed instead: every sample counts.
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), kSampleCount);
}

TEST(MotionDetector, SliderEndsAndReset) {
  MotionDetector d;
  EXPECT_EQ(d.motionThreshold(), 128);
  EXPECT_EQ(d.sliderPosition(), 128);

  d.SetSensitivity(0);
  EXPECT_EQ(d.motionThreshold(), 255);
  EXPECT_EQ(d.CountChangedPixels(Grey(0)), 0);
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), 0);  // the largest change cannot exceed 255

  d.SetSensitivity(255);
  EXPECT_EQ(d.motionThreshold(), 0);
  EXPECT_EQ(d.CountChangedPixels(Grey(254)), kSampleCount);  // one level is enough
  EXPECT_EQ(d.CountChangedPixels(Grey(254)), 0);

  d.SetSensitivity(128);
  EXPECT_EQ(d.motionThreshold(), 127);
  d.ResetSensitivity();
  EXPECT_EQ(d.motionThreshold(), 128);
  EXPECT_EQ(d.sliderPosition(), 128);

  d.SetSensitivity(-5);
  EXPECT_EQ(d.sliderPosition(), 0);
  EXPECT_EQ(d.motionThreshold(), 255);
  d.SetSensitivity(1000);
  EXPECT_EQ(d.motionThreshold(), 0);
}

TEST(MotionDetector, FrameOfWrongSizeCountsNothingAndKeepsTheReference) {
  MotionDetector d = PrimedWith(Grey(0));
  Frame shortFrame(kFrameBytes - 1, 255);
  EXPECT_EQ(d.CountChangedPixels(shortFrame), 0);
  EXPECT_EQ(d.CountChangedPixels({}), 0);
  EXPECT_EQ(d.CountChangedPixels(Grey(255)), kSampleCount);  // still against the grey-0 frame
}

// The vector kernel must agree exactly with the plain formula, for every threshold edge.
TEST(MotionDetector, KernelsAgreeWithTheFormula) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<SampleKernel> kernels = {&CountChangedSamplesPortable};
  if (SampleKernel vector = VectorSampleKernel()) kernels.push_back(vector);

  Frame previous(kFrameBytes), next(kFrameBytes);
  for (auto& b : previous) b = std::uint8_t(byte(random));
  for (int threshold : {-1, 0, 1, 3, 127, 128, 200, 254, 255}) {
    // Small and large steps, so that every threshold sees counts other than 0 and all.
    for (std::size_t i = 0; i < kFrameBytes; ++i)
      next[i] = std::uint8_t(i % 7 == 0 ? byte(random) : previous[i] + byte(random) % 5);

    std::vector<std::uint8_t> lumaPrev(kLumaBytes), lumaNext(kLumaBytes);
    ASSERT_TRUE(ToLuma(lumaPrev, previous, kFrameWidth, kFrameHeight));
    ASSERT_TRUE(ToLuma(lumaNext, next, kFrameWidth, kFrameHeight));
    int expected = 0;
    std::vector<std::uint8_t> referenceBefore(kSampleCount), expectedAfter(kSampleCount);
    for (int s = 0; s < kSampleCount; ++s) {
      referenceBefore[s] = lumaPrev[2 * s];
      expectedAfter[s] = lumaNext[2 * s];
      expected += std::abs(int(lumaNext[2 * s]) - int(lumaPrev[2 * s])) > threshold;
    }
    for (SampleKernel kernel : kernels) {
      std::vector<std::uint8_t> reference = referenceBefore;
      EXPECT_EQ(kernel(next.data(), reference.data(), threshold), expected) << threshold;
      EXPECT_EQ(reference, expectedAfter) << threshold;
    }
    previous = next;
  }
}

}  // namespace
}  // namespace tavo::cctv
