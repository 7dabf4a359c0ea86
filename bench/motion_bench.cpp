// The motion test per frame against its floor, one plain read pass over the same frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "motiondetector.h"

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

// Prints each figure beside its floor after the run: CPU time per call (the medians when
// repetitions are asked for), since wall time on a shared machine measures the neighbours.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Pair {
    const char* measured;
    const char* floor;
    double goal;
  };
  explicit RatioReporter(std::vector<Pair> pairs) : pairs(std::move(pairs)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        medians[name] = run.GetAdjustedCPUTime();
      else if (run.run_type == Run::RT_Iteration)
        singles[name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto time = [&](const std::string& name) {
      return medians.count(name) ? medians[name] : singles.count(name) ? singles[name] : 0.0;
    };
    for (const Pair& p : pairs) {
      const double measured = time(p.measured), floor = time(p.floor);
      if (measured > 0 && floor > 0)
        std::printf("%s %.2f us vs %s %.2f us: %.2fx (goal <= %.2fx)\n", p.measured,
                    measured / 1000, p.floor, floor / 1000, measured / floor, p.goal);
    }
  }

 private:
  std::vector<Pair> pairs;
  std::map<std::string, double> medians, singles;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter({{"BM_CountChangedPixels", "BM_PlainReadPass", 3},
                          {"BM_CountChangedPixelsPortable", "BM_PlainReadPass", 3}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
