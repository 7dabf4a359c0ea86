// The snapshot dialog's two moves through many snapshots: a slider drag step (the thumb moved by
// a pixel or to the other end, the strip end found, the strip drawn, the label made) and a scroll
// step (right and back), each among 1,000 snapshots against the same among 5. Every thumbnail was
// shown once before, as after scrolling through them, so both draw from the store's cache.
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true: the ratios are of
// the medians of CPU time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "messageboxes.h"
#include "ratioreporter.h"
#include "savefiledialog.h"
#include "scratch_folder.h"
#include "snapshotdialogmodel.h"
#include "snapshotstore.h"
#include "stringtable.h"

namespace {

namespace fs = std::filesystem;
using namespace tavo::preview;

// A program folder in memory with `count` 320 x 240 snapshots taken while the dialog was open,
// each thumbnail drawn once.
class Run {
 public:
  explicit Run(int count)
      : scratch_(tavo::bench::ScratchBase() / "snapshotdialog_bench_XXXXXX"),
        store_((scratch_.path() / "Temp").string(), boxes_, strings_, dialog_),
        model_(store_) {
    fs::create_directory(scratch_.path() / "Temp");
    // What the dialog does on every change, short of painting: the label.
    store_.SetChangedHook([this] { benchmark::DoNotOptimize(model_.Label()); });
    std::vector<std::uint8_t> frame(320 * 240 * 3);
    for (int i = 0; i < count; ++i) {
      for (std::size_t p = 0; p < frame.size(); ++p)
        frame[p] = static_cast<std::uint8_t>((p / 3 % 320) + 7 * i + p % 3 * 50);
      if (!store_.StoreGrabbedFrame(frame.data(), frame.size())) return;
    }
    for (const std::uint32_t number : store_.numbers()) {
      store_.SetStripEnd(number);
      benchmark::DoNotOptimize(store_.Strip().constBits());
    }
    ok_ = true;
  }
  bool ok() const { return ok_; }
  SnapshotStore& store() { return store_; }
  SnapshotDialogModel& model() { return model_; }

 private:
  tavo::testing::ScratchFolder scratch_;
  tavo::RecordingMessageBoxes boxes_;
  tavo::StringTable strings_{std::span<const tavo::StringEntry>{}, tavo::Language::English};
  tavo::ScriptedSaveFileDialog dialog_;
  SnapshotStore store_;
  SnapshotDialogModel model_;
  bool ok_ = false;
};

// Built once per count: the framework calls each benchmark several times, and storing 1,000
// snapshots takes seconds.
Run& RunOf(int count) {
  static std::map<int, std::unique_ptr<Run>> runs;
  std::unique_ptr<Run>& run = runs[count];
  if (run == nullptr) run = std::make_unique<Run>(count);
  return *run;
}

// The thumb dragged to and fro between two places that end the strip at different snapshots: the
// two ends among 5, two neighbouring pixels in the middle among 1,000 (about four snapshots
// apart).
void SliderDragStep(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Run& run = RunOf(count);
  if (!run.ok()) return state.SkipWithError("could not store the snapshots");
  const int xs[2] = {count <= 5 ? 45 : 165, count <= 5 ? 286 : 166};
  int i = 0;
  for (auto _ : state) {
    run.model().SetThumbX(xs[i ^= 1]);
    run.model().ApplySlider();
    benchmark::DoNotOptimize(run.store().Strip().constBits());
    benchmark::DoNotOptimize(run.model().Label());
  }
}

// One scroll step right, then one back, from the middle of the list.
void ScrollStep(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Run& run = RunOf(count);
  if (!run.ok()) return state.SkipWithError("could not store the snapshots");
  run.model().SetThumbX(count <= 5 ? 45 : 165);
  run.model().ApplySlider();
  bool right = true;
  for (auto _ : state) {
    if (right) {
      run.model().ScrollRight();
    } else {
      run.model().ScrollLeft();
    }
    right = !right;
    benchmark::DoNotOptimize(run.store().Strip().constBits());
    benchmark::DoNotOptimize(run.model().Label());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RegisterBenchmark("BM_DialogSliderDragStep", SliderDragStep)->Arg(5)->Arg(1000);
  benchmark::RegisterBenchmark("BM_DialogScrollStep", ScrollStep)->Arg(5)->Arg(1000);
  tavo::bench::RatioReporter reporter(
      {{"BM_DialogSliderDragStep/1000", "BM_DialogSliderDragStep/5", 2},
       {"BM_DialogScrollStep/1000", "BM_DialogScrollStep/5", 2}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
