// The snapshot store's strip: redrawing it after a new 640 x 480 snapshot (with the dialog open,
// and as after reopening it) against one full decode of such a snapshot, storing with and without
// the dialog open, a scroll step (strip end moved, strip drawn) among 1,000 snapshots against
// the same step among 5, and the memory the thumbnails of 1,000 snapshots hold.
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true: the ratios are of
// the medians of CPU time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "jpegfile.h"
#include "messageboxes.h"
#include "ratioreporter.h"
#include "savefiledialog.h"
#include "scratch_folder.h"
#include "snapshotstore.h"
#include "stringtable.h"

namespace {

namespace fs = std::filesystem;
using namespace tavo::preview;
using tavo::RecordingMessageBoxes;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A grabbed 640 x 480 frame (blue, green, red, bottom-up) with gradients and texture, so the codec
// does the work of a camera picture; `seed` shifts it so snapshots differ.
std::vector<std::uint8_t> CameraFrame(int seed) {
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      p[0] = static_cast<std::uint8_t>((x + seed * 7) * 255 / (kWidth + 64));
      p[1] = static_cast<std::uint8_t>(y / 2 + ((x * 7 + y * 13 + seed) % 23));
      p[2] = static_cast<std::uint8_t>(((x / 20 + y / 20 + seed) % 2) * 180 + (x ^ y) % 16);
    }
  return frame;
}

// Resident memory of the process, from /proc; 0 where there is none.
std::size_t ResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  std::size_t kilobytes = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> kilobytes;
      return kilobytes * 1024;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

// A program folder in memory with its Temp folder, and a store over it at 640 x 480.
class Run {
 public:
  Run()
      : scratch_(tavo::bench::ScratchBase() / "snapshot_bench_XXXXXX"),
        store_((scratch_.path() / "Temp").string(), boxes_, strings_, dialog_) {
    fs::create_directory(scratch_.path() / "Temp");
    store_.SetResolutionIndex(1);
  }

  SnapshotStore& store() { return store_; }
  bool Take(int count) {
    for (int i = 0; i < count; ++i) {
      const std::vector<std::uint8_t> frame = CameraFrame(static_cast<int>(store_.lastNumber()));
      if (!store_.StoreGrabbedFrame(frame.data(), frame.size())) return false;
    }
    return true;
  }
  // Every thumbnail drawn once, as scrolling through the whole strip does.
  void DrawAll() {
    for (const std::uint32_t number : store_.numbers()) {
      store_.SetStripEnd(number);
      benchmark::DoNotOptimize(store_.Strip().constBits());
    }
  }

 private:
  tavo::testing::ScratchFolder scratch_;
  RecordingMessageBoxes boxes_;
  tavo::StringTable strings_{std::span<const tavo::StringEntry>{}, tavo::Language::English};
  tavo::ScriptedSaveFileDialog dialog_;
  SnapshotStore store_;
};

void FullDecode(benchmark::State& state) {
  Run run;
  if (!run.Take(1)) return state.SkipWithError("could not store a snapshot");
  RecordingMessageBoxes boxes;
  tavo::JpegFile jpeg(boxes);
  const std::string path = run.store().PathOf(1);
  for (auto _ : state) {
    std::uint32_t w = 0, h = 0;
    benchmark::DoNotOptimize(jpeg.JpegToRgb(path, w, h));
  }
  state.counters["fileKB"] = static_cast<double>(fs::file_size(path)) / 1024;
}

void ScaledDecode(benchmark::State& state) {
  Run run;
  if (!run.Take(1)) return state.SkipWithError("could not store a snapshot");
  RecordingMessageBoxes boxes;
  tavo::JpegFile jpeg(boxes);
  const std::string path = run.store().PathOf(1);
  for (auto _ : state) {
    std::uint32_t w = 0, h = 0;
    benchmark::DoNotOptimize(jpeg.JpegToRgbScaled(path, 79, 60, w, h));
  }
}

// What the dialog pays after each snapshot: the strip with the new one in colour, the one before
// it turned grey and the rest unchanged. With the dialog open (arg 1) the new thumbnail was made
// from the frame while it was stored; without (arg 0) it is decoded from its file, as after
// reopening the dialog.
void StripAfterNewSnapshot(benchmark::State& state) {
  Run run;
  if (state.range(0) == 1) run.store().SetChangedHook([] {});
  if (!run.Take(4)) return state.SkipWithError("could not store a snapshot");
  benchmark::DoNotOptimize(run.store().Strip().constBits());
  for (auto _ : state) {
    state.PauseTiming();
    const bool stored = run.Take(1);
    state.ResumeTiming();
    if (!stored) return state.SkipWithError("could not store a snapshot");
    benchmark::DoNotOptimize(run.store().Strip().constBits());
  }
}

// Storing a snapshot, with the dialog open (arg 1: the thumbnail made from the frame) and without:
// where the thumbnail's cost went.
void Store(benchmark::State& state) {
  Run run;
  if (state.range(0) == 1) run.store().SetChangedHook([] {});
  const std::vector<std::uint8_t> frame = CameraFrame(1);
  for (auto _ : state) {
    if (!run.store().StoreGrabbedFrame(frame.data(), frame.size()))
      return state.SkipWithError("could not store a snapshot");
  }
}

// One step right and back among `count` snapshots, each drawn once before.
void ScrollStep(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Run run;
  if (!run.Take(count)) return state.SkipWithError("could not store the snapshots");
  run.DrawAll();
  const std::vector<std::uint32_t> numbers = run.store().numbers();
  const std::size_t middle = numbers.size() / 2 < 4 ? 3 : numbers.size() / 2;
  bool right = true;
  for (auto _ : state) {
    run.store().SetStripEnd(numbers[right ? middle + 1 : middle]);
    benchmark::DoNotOptimize(run.store().Strip().constBits());
    right = !right;
  }
}

// The thumbnails of 1,000 snapshots, all drawn once: what the cache holds and how far the
// resident memory grew while it filled.
void CacheOfAThousand(benchmark::State& state) {
  Run run;
  if (!run.Take(1000)) return state.SkipWithError("could not store the snapshots");
  for (auto _ : state) {
    const std::size_t before = ResidentBytes();
    run.DrawAll();
    const std::size_t after = ResidentBytes();
    state.counters["cacheMB"] = static_cast<double>(run.store().cacheBytes()) / (1 << 20);
    state.counters["rssGrowthMB"] = static_cast<double>(after - before) / (1 << 20);
    state.counters["rssMB"] = static_cast<double>(after) / (1 << 20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RegisterBenchmark("BM_FullDecode640", FullDecode);
  benchmark::RegisterBenchmark("BM_ScaledDecode640", ScaledDecode);
  // Each iteration leaves a file of about 60 KB in memory: a bounded count.
  benchmark::RegisterBenchmark("BM_StripAfterNewSnapshot", StripAfterNewSnapshot)
      ->Arg(1)
      ->Arg(0)
      ->Iterations(400);
  benchmark::RegisterBenchmark("BM_Store", Store)->Arg(0)->Arg(1)->Iterations(400);
  benchmark::RegisterBenchmark("BM_ScrollStep", ScrollStep)->Arg(5)->Arg(1000);
  benchmark::RegisterBenchmark("BM_CacheOfAThousand", CacheOfAThousand)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  tavo::bench::RatioReporter reporter(
      {{"BM_StripAfterNewSnapshot/1/iterations:400", "BM_FullDecode640", 0.3},
       {"BM_StripAfterNewSnapshot/0/iterations:400", "BM_FullDecode640", 0.3},
       {"BM_ScrollStep/1000", "BM_ScrollStep/5", 2}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
