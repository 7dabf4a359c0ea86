#include "motiondetector.h"

#include <algorithm>
#include <cstdlib>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAVO_HAVE_AVX2_KERNEL 1
#endif

namespace tavo::cctv {

bool ToLuma(std::span<std::uint8_t> luma, std::span<const std::uint8_t> frame, int width,
            int height) {
  if (width <= 0 || height <= 0) return false;
  const std::size_t pixels = std::size_t(width) * std::size_t(height);
  if (luma.size() < pixels || frame.size() / 3 < pixels) return false;
  const std::uint8_t* p = frame.data();
  for (std::size_t i = 0; i < pixels; ++i, p += 3) luma[i] = LumaOf(p[0], p[1], p[2]);
  return true;
}

int CountChangedSamplesPortable(const std::uint8_t* frame, std::uint8_t* reference, int threshold) {
  int count = 0;
  for (int i = 0; i < kSampleCount; ++i, frame += 6) {
    const std::uint8_t y = LumaOf(frame[0], frame[1], frame[2]);
    count += std::abs(int(y) - int(reference[i])) > threshold;
    reference[i] = y;
  }
  return count;
}

#ifdef TAVO_HAVE_AVX2_KERNEL
namespace {

constexpr char z = char(0x80);  // pshufb: write a zero byte

// Every 48 bytes of frame hold 16 pixels, of which the 8 even ones are samples; the three 16-byte
// pieces c0, c1, c2 of such a block are gathered into 16-bit lanes [R,B] and [G,G] per sample so
// that two multiply-adds give 19595 R + 7471 B and 2 x 19235 G = 38470 G exactly.
__attribute__((target("avx2,popcnt"))) int CountChangedSamplesAvx2(const std::uint8_t* frame,
                                                                   std::uint8_t* reference,
                                                                   int threshold) {
  const __m256i rbLo0 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(2, z, 0, z, 8, z, 6, z, 14, z, 12, z, z, z, z, z));
  const __m256i rbLo1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, 4, z, 2, z));
  const __m256i ggLo0 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(1, z, 1, z, 7, z, 7, z, 13, z, 13, z, z, z, z, z));
  const __m256i ggLo1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, 3, z, 3, z));
  const __m256i rbHi1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(10, z, 8, z, z, z, 14, z, z, z, z, z, z, z, z, z));
  const __m256i rbHi2 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(z, z, z, z, 0, z, z, z, 6, z, 4, z, 12, z, 10, z));
  const __m256i ggHi1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(9, z, 9, z, 15, z, 15, z, z, z, z, z, z, z, z, z));
  const __m256i ggHi2 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(z, z, z, z, z, z, z, z, 5, z, 5, z, 11, z, 11, z));
  const __m256i weightRb = _mm256_set1_epi32((7471 << 16) | 19595);
  const __m256i weightGg = _mm256_set1_epi32((19235 << 16) | 19235);
  // d > t  <=>  max(d, t + 1) == d; a negative threshold lets every sample count.
  const int bound = std::clamp(threshold, -1, 254) + 1;
  const __m128i limit = _mm_set1_epi8(char(bound));
  const bool nothingCounts = threshold >= 255;

  int count = 0;
  for (int s = 0; s < kSampleCount; s += 16, frame += 96) {
    const auto* p = reinterpret_cast<const __m128i*>(frame);
    const __m256i c0 = _mm256_loadu2_m128i(p + 3, p + 0);
    const __m256i c1 = _mm256_loadu2_m128i(p + 4, p + 1);
    const __m256i c2 = _mm256_loadu2_m128i(p + 5, p + 2);
    const __m256i rbLo =
        _mm256_or_si256(_mm256_shuffle_epi8(c0, rbLo0), _mm256_shuffle_epi8(c1, rbLo1));
    const __m256i ggLo =
        _mm256_or_si256(_mm256_shuffle_epi8(c0, ggLo0), _mm256_shuffle_epi8(c1, ggLo1));
    const __m256i rbHi =
        _mm256_or_si256(_mm256_shuffle_epi8(c1, rbHi1), _mm256_shuffle_epi8(c2, rbHi2));
    const __m256i ggHi =
        _mm256_or_si256(_mm256_shuffle_epi8(c1, ggHi1), _mm256_shuffle_epi8(c2, ggHi2));
    const __m256i yLo = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(rbLo, weightRb), _mm256_madd_epi16(ggLo, weightGg)), 16);
    const __m256i yHi = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(rbHi, weightRb), _mm256_madd_epi16(ggHi, weightGg)), 16);
    const __m256i y16 = _mm256_packs_epi32(yLo, yHi);  // per lane: 8 samples
    const __m256i y8 = _mm256_permute4x64_epi64(_mm256_packus_epi16(y16, y16), 0x08);
    const __m128i y = _mm256_castsi256_si128(y8);  // samples s .. s+15 in order

    auto* ref = reinterpret_cast<__m128i*>(reference + s);
    const __m128i r = _mm_loadu_si128(ref);
    const __m128i d = _mm_or_si128(_mm_subs_epu8(y, r), _mm_subs_epu8(r, y));
    const __m128i changed = _mm_cmpeq_epi8(_mm_max_epu8(d, limit), d);
    count += __builtin_popcount(unsigned(_mm_movemask_epi8(changed)));
    _mm_storeu_si128(ref, y);
  }
  return nothingCounts ? 0 : count;
}

}  // namespace

SampleKernel VectorSampleKernel() {
  return __builtin_cpu_supports("avx2") ? &CountChangedSamplesAvx2 : nullptr;
}
#else
SampleKernel VectorSampleKernel() { return nullptr; }
#endif

MotionDetector::MotionDetector() {
  const SampleKernel vector = VectorSampleKernel();
  kernel = vector ? vector : &CountChangedSamplesPortable;
}

int MotionDetector::CountChangedPixels(std::span<const std::uint8_t> frame) {
  if (frame.size() != kFrameBytes) return 0;
  const int count = kernel(frame.data(), referenceLuma.data(), threshold);
  if (!haveReference) {
    haveReference = true;
    return 0;
  }
  return count;
}

void MotionDetector::SetSensitivity(int position) {
  slider = std::clamp(position, 0, kSliderMax);
  threshold = kSliderMax - slider;
}

void MotionDetector::ResetSensitivity() {
  slider = kInitialSensitivity;
  threshold = kInitialSensitivity;
}

}  // namespace tavo::cctv
