// Moving about a recorded run in the viewer: each step (next, previous, the track jump, a
// slideshow tick) in a run of 10,001 images against the same step in a run of 16, opening a
// run against its floor, one listing of the folder and four decodes, and opening a run of 16
// planted 9000 x 9000 files against opening a run of 16 recorded pictures.
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true: the ratios are of
// the medians of CPU time.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "benchfiles.h"
#include "cctvstrings.h"
#include "filehandle.h"
#include "imageviewer.h"
#include "jpegfile.h"
#include "messageboxes.h"
#include "motiondetector.h"
#include "ratioreporter.h"
#include "recordingstore.h"
#include "stringtable.h"

namespace {

namespace fs = std::filesystem;
using namespace tavo::cctv;
using tavo::RecordingMessageBoxes;

constexpr int kShortRun = 16;
// The longest run the recorder writes before it begins a new one.
constexpr int kFullRun = kRolloverAfter + 1;

// A quarter and three quarters along the track: the strip is full there in both runs.
constexpr int kQuarterX = kTrackMin + kTrackSpan / 4;
constexpr int kThreeQuarterX = kTrackMin + kTrackSpan * 3 / 4;

std::string RunName(int count) {
  return count == kShortRun ? "10h00m00s_01-17-03" : "11h00m00s_01-17-03";
}

// A run of kShortRun files that someone put there in place of the recorded pictures.
constexpr char kPlantedRun[] = "12h00m00s_01-17-03";
constexpr std::uint32_t kPlantedSide = 9000;

// Writes a flat grey kPlantedSide square at low quality, row by row: a small file (about 0.2 MB)
// whose full decode costs seconds and a buffer of 243 MB.
bool WritePlantedPicture(const std::string& path) {
  tavo::FilePtr file = tavo::OpenFile(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);  // exits on failure: a benchmark without its input measures nothing
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, file.get());
  c.image_width = kPlantedSide;
  c.image_height = kPlantedSide;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 10, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(kPlantedSide, 128);
  while (c.next_scanline < c.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(file.release()) == 0;
}

std::string ImageName(int n) {
  char name[64];
  std::snprintf(name, sizeof name, "10h00m00s_01-17-03_%06d.jpg", n);
  return name;
}

// A program folder, in memory where the system offers it (disk noise would swamp the listing),
// with a run of 16 and a run of 10,001 images named as the recorder names them. One picture is
// encoded once and linked under every name, so that setting up takes a moment, not minutes.
class ProgramFolder {
 public:
  ProgramFolder() : scratch_(tavo::bench::ScratchBase() / "tavo-viewer-bench-XXXXXX") {
    std::error_code ec;
    if (path().empty()) return;
    const std::string picture = scratch_.File("picture.jpg");
    const std::vector<std::uint8_t> rgb = tavo::bench::CameraLikePicture();
    RecordingMessageBoxes boxes;
    if (!tavo::JpegFile(boxes).RgbToJpeg(picture, kImageQuality, rgb.data(), kFrameWidth,
                                         kFrameHeight))
      return;
    jpegBytes_ = static_cast<long long>(fs::file_size(picture, ec));
    // Encoded once for the whole benchmark run (about a second) and linked 16 times.
    const std::string planted = scratch_.File("planted.jpg");
    ok_ = !ec && MakeRun(picture, kShortRun) && MakeRun(picture, kFullRun) &&
          WritePlantedPicture(planted) && MakeRun(planted, kShortRun, kPlantedRun);
    plantedPath_ = planted;
  }
  bool ok() const { return ok_; }
  std::string path() const { return scratch_.path().string(); }
  std::string RunPath(int count) const { return RunPath(RunName(count)); }
  std::string RunPath(const std::string& name) const { return path() + "/CCTV_Image/" + name; }
  // The planted picture, unlinked from any run.
  const std::string& plantedPath() const { return plantedPath_; }
  // Size of every image file: bytes read divided by it count the files read.
  long long jpegBytes() const { return jpegBytes_; }

 private:
  bool MakeRun(const std::string& picture, int count) {
    return MakeRun(picture, count, RunName(count));
  }
  bool MakeRun(const std::string& picture, int count, const std::string& name) {
    const fs::path run = RunPath(name);
    std::error_code ec;
    // Every recorded run holds its mail folder, which the viewer must pass over.
    fs::create_directories(run / "EmailSendJpg", ec);
    for (int n = 1; n <= count && !ec; ++n) {
      const fs::path image = run / ImageName(n);
      fs::create_hard_link(picture, image, ec);
      if (ec) {
        ec.clear();  // a file system without links: copy instead
        fs::copy_file(picture, image, ec);
      }
    }
    return !ec;
  }

  tavo::testing::ScratchFolder scratch_;
  std::string plantedPath_;
  long long jpegBytes_ = 0;
  bool ok_ = false;
};

// A window that draws nothing and counts the pictures it is handed (not the placeholder).
class CountingView final : public ViewerView {
 public:
  bool RenderLarge(const std::uint8_t* frame) override {
    large += frame != nullptr;
    return true;
  }
  bool RenderThumb(int, const std::uint8_t* frame) override {
    thumbs += frame != nullptr;
    return true;
  }
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  void RefillFolders() override {}
  void ViewerChanged() override {}

  long large = 0;
  long thumbs = 0;
};

// The viewer over the program folder, with what the main window hands it.
struct Session {
  explicit Session(const std::string& programFolder)
      : strings(CctvStrings(), tavo::Language::English),
        store(programFolder, strings.UiLanguage(), SystemLocalClock(), JpegFileWriter(boxes)),
        viewer(view, boxes, strings, store, nullptr) {}

  RecordingMessageBoxes boxes;
  tavo::StringTable strings;
  CountingView view;
  RecordingStore store;
  ImageViewer viewer;
};

// Times `step` in run range(0), kept in the middle of the run: whenever `due` says the next step
// would reach the end, `restart` puts the viewer back, untimed. Every timed step must move as it
// should and show a full strip, or a fast figure could come from doing less.
void Steps(benchmark::State& state, const ProgramFolder& folder, auto due, auto restart,
           auto step) {
  const int count = static_cast<int>(state.range(0));
  Session s(folder.path());
  s.viewer.ShowFolder(RunName(count));
  restart(s.viewer);
  // The first lookup in a run builds the store's index of it: a one-off, timed in
  // BM_OpenThenNext, not part of a step.
  step(s.viewer);
  long pictures = 0;
  for (auto _ : state) {
    if (due(s.viewer)) {
      state.PauseTiming();
      restart(s.viewer);
      state.ResumeTiming();
    }
    const long before = s.view.thumbs;
    if (!step(s.viewer) || s.view.thumbs - before != kThumbSlots) {
      state.SkipWithError("a step did not move as it should or showed less than a full strip");
      break;
    }
    pictures += s.view.thumbs - before;
  }
  if (!s.boxes.boxes.empty()) state.SkipWithError(s.boxes.boxes.front().text.c_str());
  state.counters["pictures"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kAvgIterations);
}

void Next(benchmark::State& state, const ProgramFolder& folder) {
  Steps(
      state, folder,
      [](const ImageViewer& v) { return v.currentNumber() + kThumbSlots > v.imageTotal(); },
      [](ImageViewer& v) { v.TrackRelease(kQuarterX); },
      [](ImageViewer& v) {
        const int at = v.currentNumber();
        v.Next();
        return v.currentNumber() == at + 1;
      });
}

// Previous checks that the image before is readable (one decode more than it shows) and then
// shows the strip from it.
void Previous(benchmark::State& state, const ProgramFolder& folder) {
  Steps(
      state, folder, [](const ImageViewer& v) { return v.currentNumber() <= v.firstNumber(); },
      [](ImageViewer& v) { v.TrackRelease(kThreeQuarterX); },
      [](ImageViewer& v) {
        const int at = v.currentNumber();
        v.Previous();
        return v.currentNumber() == at - 1;
      });
}

// Releases on the track a quarter and three quarters along in turn, so no jump lands where the
// last one did.
void TrackJump(benchmark::State& state, const ProgramFolder& folder) {
  bool far = false;
  Steps(
      state, folder, [](const ImageViewer&) { return false; },
      [](ImageViewer& v) { v.TrackRelease(kQuarterX); },
      [&far](ImageViewer& v) {
        const int at = v.currentNumber();
        far = !far;
        v.TrackRelease(far ? kThreeQuarterX : kQuarterX);
        return v.currentNumber() != at && v.largeNumber() == v.currentNumber();
      });
}

// The slideshow starts at the first image; the track moves it to the middle, as a user may.
void SlideshowTick(benchmark::State& state, const ProgramFolder& folder) {
  Steps(
      state, folder,
      [](const ImageViewer& v) {
        return !v.slideshowOn() || v.currentNumber() + kThumbSlots > v.imageTotal();
      },
      [](ImageViewer& v) {
        v.StopSlideshow();
        v.ToggleSlideshow();
        v.TrackRelease(kQuarterX);
      },
      [](ImageViewer& v) {
        const int at = v.currentNumber();
        v.SlideshowTick();
        return v.slideshowOn() && v.currentNumber() == at + 1;
      });
}

void ShowFolder(benchmark::State& state, const ProgramFolder& folder) {
  const int count = static_cast<int>(state.range(0));
  const std::string run = RunName(count);
  Session s(folder.path());
  long pictures = 0;
  for (auto _ : state) {
    const long before = s.view.thumbs;
    s.viewer.ShowFolder(run);
    if (s.viewer.imageTotal() != count || s.view.thumbs - before != kThumbSlots) {
      state.SkipWithError("the run did not open at a full strip");
      break;
    }
    pictures += s.view.thumbs - before;
  }
  if (!s.boxes.boxes.empty()) state.SkipWithError(s.boxes.boxes.front().text.c_str());
  state.counters["pictures"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kAvgIterations);
}

// Opening the planted run: every file is tried and refused, with one box for the run. Against
// BM_ShowFolder/16, which decodes the four pictures of its strip.
void ShowPlantedFolder(benchmark::State& state, const ProgramFolder& folder) {
  Session s(folder.path());
  long refused = 0;
  for (auto _ : state) {
    const long before = s.view.thumbs;
    s.boxes.boxes.clear();
    s.viewer.ShowFolder(kPlantedRun);
    if (s.viewer.imageTotal() != kShortRun || s.view.thumbs != before ||
        s.boxes.boxes.size() != 1) {
      state.SkipWithError("the planted run did not open as a run of unreadable images");
      break;
    }
    refused += kShortRun;
  }
  state.counters["refused"] =
      benchmark::Counter(double(refused), benchmark::Counter::kAvgIterations);
}

// What one planted file would cost if it were decoded before its size is looked at: a whole
// 9000 x 9000 decode, for the scale of what the header check saves.
void DecodePlantedWhole(benchmark::State& state, const ProgramFolder& folder) {
  RecordingMessageBoxes boxes;
  for (auto _ : state) {
    std::uint32_t w = 0, h = 0;
    auto rgb = tavo::JpegFile(boxes).JpegToRgb(folder.plantedPath(), w, h);
    if (!rgb || w != kPlantedSide) {
      state.SkipWithError("the planted file did not decode");
      break;
    }
    benchmark::DoNotOptimize(rgb);
  }
}

// Floor of opening: one listing of the run's names and four decodes, the least an open can do
// when it must count the run and fill the strip.
void ListAndDecodeFour(benchmark::State& state, const ProgramFolder& folder) {
  const int count = static_cast<int>(state.range(0));
  const std::string run = folder.RunPath(count);
  std::vector<std::string> firstFour;
  for (int n = 1; n <= kThumbSlots; ++n) firstFour.push_back(run + "/" + ImageName(n));
  RecordingMessageBoxes boxes;
  for (auto _ : state) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(run, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
      names.push_back(it->path().filename().string());
    // The images and the mail folder.
    if (ec || names.size() != std::size_t(count) + 1) {
      state.SkipWithError("listing failed");
      break;
    }
    for (const std::string& path : firstFour) {
      std::optional<ViewerFrame> frame = LoadViewerImage(boxes, path);
      if (!frame) state.SkipWithError("decode failed");
      benchmark::DoNotOptimize(frame);
    }
  }
}

// Opening then the first step with a store that has not seen the run yet, as when a run is
// chosen in the panel and the next button pressed.
void OpenThenNext(benchmark::State& state, const ProgramFolder& folder) {
  const int count = static_cast<int>(state.range(0));
  const std::string run = RunName(count);
  std::unique_ptr<Session> s;
  for (auto _ : state) {
    state.PauseTiming();
    s.reset();
    s = std::make_unique<Session>(folder.path());
    state.ResumeTiming();
    s->viewer.ShowFolder(run);
    s->viewer.Next();
    if (s->viewer.currentNumber() != 2) {
      state.SkipWithError("the first step did not show image 2");
      break;
    }
  }
}

// Bytes this process has read from files so far; -1 where the system does not tell. Listing a
// folder is not counted, so the bytes divided by the image size count the images decoded.
long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

// Pictures shown and image files read by each operation, in run `count`.
std::string FilesReadLine(const ProgramFolder& folder, int count) {
  Session s(folder.path());
  ImageViewer& v = s.viewer;
  std::string line = "run of " + std::to_string(count) + ", pictures shown / image files read:";
  auto measure = [&](const char* name, auto op) {
    const long thumbs = s.view.thumbs;
    const long long before = BytesRead();
    op();
    const long long after = BytesRead();
    const std::string files =
        before < 0 || after < 0
            ? "?"
            : std::to_string(std::llround(double(after - before) / double(folder.jpegBytes())));
    line += std::string(" ") + name + " " + std::to_string(s.view.thumbs - thumbs) + "/" + files;
  };
  measure("open", [&] { v.ShowFolder(RunName(count)); });
  measure("first-next", [&] { v.Next(); });
  v.TrackRelease(kQuarterX);
  measure("next", [&] { v.Next(); });
  measure("previous", [&] { v.Previous(); });
  measure("track-jump", [&] { v.TrackRelease(kThreeQuarterX); });
  v.ToggleSlideshow();
  v.TrackRelease(kQuarterX);
  measure("slideshow-tick", [&] { v.SlideshowTick(); });
  v.StopSlideshow();
  if (!s.boxes.boxes.empty()) line += " (boxes shown: " + s.boxes.boxes.front().text + ")";
  return line;
}

// The planted file's size against what opening the planted run reads: the header check must not
// read the files whole.
std::string PlantedReadLine(const ProgramFolder& folder) {
  std::error_code ec;
  const auto size = fs::file_size(folder.plantedPath(), ec);
  Session s(folder.path());
  const long long before = BytesRead();
  s.viewer.ShowFolder(kPlantedRun);
  const long long after = BytesRead();
  if (ec || before < 0 || after < 0) return "planted run: bytes read not known here";
  return "planted run of " + std::to_string(kShortRun) + " files of " +
         std::to_string(size / 1024) + " KB: opening it read " +
         std::to_string((after - before) / 1024) + " KB";
}

// The ratios, then what opening does: its cost in the long run is listing 10,001 names, so its
// run-to-run ratio is shown without a goal.
class ViewerReporter final : public tavo::bench::RatioReporter {
 public:
  ViewerReporter(std::vector<Pair> pairs, std::vector<std::string> notes)
      : RatioReporter(std::move(pairs)), notes(std::move(notes)) {}

  void Finalize() override {
    RatioReporter::Finalize();
    auto us = [&](const std::string& name) { return Time(name) / 1000; };
    const std::string full = std::to_string(kFullRun), small = std::to_string(kShortRun);
    const double openFull = us("BM_ShowFolder/" + full), openSmall = us("BM_ShowFolder/" + small);
    if (openFull > 0 && openSmall > 0)
      std::printf(
          "BM_ShowFolder/%s %.2f us vs BM_ShowFolder/%s %.2f us: %.2fx (no goal: opening lists "
          "the run's folder once and decodes only the 4 pictures it shows)\n",
          full.c_str(), openFull, small.c_str(), openSmall, openFull / openSmall);
    const double first = us("BM_OpenThenNext/" + full), next = us("BM_Next/" + full);
    if (first > 0 && openFull > 0 && next > 0)
      std::printf("first step after opening the run of %s: %.2f us (later steps %.2f us)\n",
                  full.c_str(), first - openFull, next);
    for (const std::string& note : notes) std::printf("%s\n", note.c_str());
  }

 private:
  std::vector<std::string> notes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const ProgramFolder folder;
  if (!folder.ok()) {
    std::fprintf(stderr, "could not set up the runs under %s\n", folder.path().c_str());
    return 1;
  }
  using Body = void (*)(benchmark::State&, const ProgramFolder&);
  const std::pair<const char*, Body> benchmarks[] = {
      {"BM_ListAndDecodeFour", ListAndDecodeFour},
      {"BM_ShowFolder", ShowFolder},
      {"BM_OpenThenNext", OpenThenNext},
      {"BM_Next", Next},
      {"BM_Previous", Previous},
      {"BM_TrackJump", TrackJump},
      {"BM_SlideshowTick", SlideshowTick},
  };
  for (const auto& [name, body] : benchmarks)
    benchmark::RegisterBenchmark(name,
                                 [body, &folder](benchmark::State& state) { body(state, folder); })
        ->Arg(kShortRun)
        ->Arg(kFullRun);
  benchmark::RegisterBenchmark("BM_ShowFolderPlanted", [&folder](benchmark::State& state) {
    ShowPlantedFolder(state, folder);
  })->Arg(kShortRun);
  // Seconds a call: a few iterations say enough.
  benchmark::RegisterBenchmark(
      "BM_DecodePlantedWhole",
      [&folder](benchmark::State& state) { DecodePlantedWhole(state, folder); })
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);

  ViewerReporter reporter(
      {{"BM_Next/10001", "BM_Next/16", 2},
       {"BM_Previous/10001", "BM_Previous/16", 2},
       {"BM_TrackJump/10001", "BM_TrackJump/16", 2},
       {"BM_SlideshowTick/10001", "BM_SlideshowTick/16", 2},
       {"BM_ShowFolder/10001", "BM_ListAndDecodeFour/10001", 1.5},
       {"BM_ShowFolderPlanted/16", "BM_ShowFolder/16", 2}},
      {FilesReadLine(folder, kShortRun), FilesReadLine(folder, kFullRun), PlantedReadLine(folder)});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
