// The recording step against its floor (the JPEG encode alone), and image lookup in a full run
// against a short one. The steps that write new files, as recording does, run in memory (/0) and
// on the disk of the temporary folder (/1), where creating a file costs more. Only the pairs in
// memory get goals: on disk the cost of a new file follows the file system's recent deletions
// (the benchmark before removes thousands), which swamps our part.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "jpegfile.h"
#include "motiondetector.h"
#include "ratioreporter.h"
#include "recordingstore.h"

namespace {

namespace fs = std::filesystem;
using namespace tavo::cctv;

fs::path Scratch(const std::string& name, bool onDisk = false) {
  const fs::path base = onDisk ? fs::temp_directory_path() : tavo::bench::ScratchBase();
  const fs::path dir = base / ("recording_bench_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

using tavo::bench::CameraLikePicture;

// Floor: the encoder writing the same picture to the same kind of file.
void BM_JpegEncodeAlone(benchmark::State& state) {
  const fs::path dir = Scratch("encode");
  const std::string path = (dir / "image_000001.jpg").string();
  const auto picture = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    if (!tavo::JpegFile(boxes).RgbToJpeg(path, kImageQuality, picture.data(), kFrameWidth,
                                         kFrameHeight))
      state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_JpegEncodeAlone);

void BM_SaveMotionFrame(benchmark::State& state) {
  const fs::path dir = Scratch("save");
  const std::string path = (dir / "image_000001.jpg").string();
  auto frame = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  RecordingStore store(dir.string(), "English", SystemLocalClock(), JpegFileWriter(boxes));
  for (auto _ : state) {
    // The frame is reworked in place; turned twice it is the camera frame again.
    if (!store.SaveMotionFrame(frame, path)) state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_SaveMotionFrame);

// Floor of the steps below: the encoder writing each picture into a new file.
void BM_JpegEncodeNewFiles(benchmark::State& state) {
  const fs::path dir = Scratch("encode_new", state.range(0) != 0);
  const auto picture = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  int n = 0;
  for (auto _ : state) {
    char name[32];
    std::snprintf(name, sizeof name, "picture_%06d.jpg", ++n);
    if (!tavo::JpegFile(boxes).RgbToJpeg((dir / name).string(), kImageQuality, picture.data(),
                                         kFrameWidth, kFrameHeight))
      state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_JpegEncodeNewFiles)->Arg(0)->Arg(1);

// The recording step of one motion frame: number, stamp, path, turn, encode, write, index.
void BM_RecordMotionFrame(benchmark::State& state) {
  const fs::path dir = Scratch("record", state.range(0) != 0);
  auto frame = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  RecordingStore store(dir.string(), "English", SystemLocalClock(), JpegFileWriter(boxes));
  if (!store.OpenRunFolder()) state.SkipWithError("no run folder");
  for (auto _ : state) {
    if (!RecordingGoesOn(store.RecordMotionFrame(frame))) state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_RecordMotionFrame)->Arg(0)->Arg(1);

// What the surveillance loop does with a grabbed frame that shows motion: the copy out of the
// grabber's buffer, the motion test, the recording step.
void BM_FrameToFile(benchmark::State& state) {
  const fs::path dir = Scratch("frame", state.range(0) != 0);
  // Two pictures apart by a shift, so that every frame differs from the one before.
  const auto still = CameraLikePicture();
  std::vector<std::uint8_t> shifted(still.size());
  std::copy(still.begin() + 3, still.end(), shifted.begin());
  const std::vector<std::uint8_t>* grabbed[2] = {&still, &shifted};
  std::vector<std::uint8_t> frame(kFrameBytes);
  tavo::RecordingMessageBoxes boxes;
  RecordingStore store(dir.string(), "English", SystemLocalClock(), JpegFileWriter(boxes));
  MotionDetector motion;
  if (!store.OpenRunFolder()) state.SkipWithError("no run folder");
  motion.CountChangedPixels(still);
  int k = 0;
  for (auto _ : state) {
    std::memcpy(frame.data(), grabbed[++k % 2]->data(), kFrameBytes);
    if (!MotionDetector::IsMotion(motion.CountChangedPixels(frame))) {
      state.SkipWithError("no motion");
      break;
    }
    if (!RecordingGoesOn(store.RecordMotionFrame(frame))) state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_FrameToFile)->Arg(0)->Arg(1);

// The part of the recording step that is ours: turning and swapping the frame in place.
void BM_TurnAndSwapOnly(benchmark::State& state) {
  auto frame = CameraLikePicture();
  RecordingStore store("/nonexistent", "English", SystemLocalClock(),
                       [](const std::string&, int, const std::uint8_t* rgb, std::uint32_t,
                          std::uint32_t, const tavo::WriteOptions&) {
                         return rgb != nullptr ? tavo::WriteResult::kWritten
                                               : tavo::WriteResult::kFailed;
                       });
  for (auto _ : state) benchmark::DoNotOptimize(store.SaveMotionFrame(frame, "/nonexistent/x.jpg"));
}
BENCHMARK(BM_TurnAndSwapOnly);

// Lookups that step through a run of range(0) images, as the viewer does.
void BM_FindImageByCounter(benchmark::State& state) {
  const int count = int(state.range(0));
  const fs::path dir = Scratch("find" + std::to_string(count));
  for (int n = 1; n <= count; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "14h05m09s_01-17-03_%06d.jpg", n);
    std::ofstream(dir / name) << "x";
  }
  RecordingStore store(dir.string(), "English", SystemLocalClock(), {});
  const std::string folder = dir.string();
  int n = 0;
  for (auto _ : state) {
    n = n % count + 1;
    const std::string path = store.FindImageByCounter(folder, n);
    if (path.empty()) state.SkipWithError("image not found");
    benchmark::DoNotOptimize(path.data());
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_FindImageByCounter)->Arg(16)->Arg(10001);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tavo::bench::RatioReporter reporter(
      {{"BM_SaveMotionFrame", "BM_JpegEncodeAlone", 1.15},
       // A recorded picture may cost at most 0.3 ms more than its encode and write.
       {"BM_RecordMotionFrame/0", "BM_JpegEncodeNewFiles/0", 1.15, 300},
       {"BM_FrameToFile/0", "BM_JpegEncodeNewFiles/0", 1.25, 300},
       {"BM_TurnAndSwapOnly", "BM_JpegEncodeAlone", 0.15},
       {"BM_FindImageByCounter/10001", "BM_FindImageByCounter/16", 2}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
