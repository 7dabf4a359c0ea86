// The motion test per frame against its floor, one plain read pass over the same frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "motiondetector.h"
#include "ratioreporter.h"

namespace {

using tavo::cctv::kFrameBytes;

// Two camera-like frames a little apart, so the count does real work on every call.
std::vector<std::vector<std::uint8_t>> Frames() {
  std::mt19937 random(1);
  std::vector<std::vector<std::uint8_t>> frames(2, std::vector<std::uint8_t>(kFrameBytes));
  for (std::size_t i = 0; i < kFrameBytes; ++i) {
    frames[0][i] = std::uint8_t((i / 3) % 320 + (i / 960) / 2 + random() % 8);
    frames[1][i] = std::uint8_t(frames[0][i] + random() % 3);
  }
  return frames;
}

// Floor: read every byte of the frame once.
void BM_PlainReadPass(benchmark::State& state) {
  const auto frames = Frames();
  std::size_t k = 0;
  for (auto _ : state) {
    const std::uint8_t* p = frames[k++ & 1].data();
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kFrameBytes; ++i) sum += p[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFrameBytes));
}
BENCHMARK(BM_PlainReadPass);

void BM_CountChangedPixels(benchmark::State& state) {
  const auto frames = Frames();
  tavo::cctv::MotionDetector detector;
  std::size_t k = 0;
  for (auto _ : state) benchmark::DoNotOptimize(detector.CountChangedPixels(frames[k++ & 1]));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFrameBytes));
}
BENCHMARK(BM_CountChangedPixels);

// The portable kernel, for machines without AVX2.
void BM_CountChangedPixelsPortable(benchmark::State& state) {
  const auto frames = Frames();
  std::vector<std::uint8_t> reference(tavo::cctv::kSampleCount);
  std::size_t k = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        tavo::cctv::CountChangedSamplesPortable(frames[k++ & 1].data(), reference.data(), 128));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFrameBytes));
}
BENCHMARK(BM_CountChangedPixelsPortable);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tavo::bench::RatioReporter reporter({{"BM_CountChangedPixels", "BM_PlainReadPass", 3},
                                       {"BM_CountChangedPixelsPortable", "BM_PlainReadPass", 3}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
