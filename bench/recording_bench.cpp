// The recording step against its floor (the JPEG encode alone), what syncing each new picture to
// a real disk costs beside the encode, and image lookup in a full run against a short one. The
// steps that write new files, as recording does, run in memory (/0) and on the disk of the
// temporary folder (/1), where creating a file costs more. Only the pairs in memory get goals: on
// disk the cost of a new file follows the file system's recent deletions (the benchmark before
// removes thousands), which swamps our part.
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
#include "durablefile.h"
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

// A real disk (not tmpfs): /var/tmp, where the system keeps files across reboots.
fs::path DiskScratch(const std::string& name) {
  const fs::path dir = fs::path("/var/tmp") / ("recording_bench_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// File calls that touch nothing: what is left is the encode alone.
class NoFiles final : public tavo::FileCalls {
 public:
  int CreateLocked(const std::string&, mode_t) override { return 1000; }
  ssize_t Write(int, const void*, std::size_t size) override { return ssize_t(size); }
  int DataSync(int) override { return 0; }
  int Close(int) override { return 0; }
  int RenameNoReplace(const std::string&, const std::string&) override { return 0; }
  int Rename(const std::string&, const std::string&) override { return 0; }
  int Link(const std::string&, const std::string&) override { return 0; }
  int Unlink(const std::string&) override { return 0; }
  int MakeFolder(const std::string&, mode_t) override { return 0; }
  int SyncFolder(const std::string&) override { return 0; }
};

// The system's calls without the data sync: what the sync adds is the difference.
class NoSync final : public tavo::FileCalls {
 public:
  int CreateLocked(const std::string& p, mode_t m) override { return real.CreateLocked(p, m); }
  ssize_t Write(int fd, const void* d, std::size_t n) override { return real.Write(fd, d, n); }
  int DataSync(int) override { return 0; }
  int Close(int fd) override { return real.Close(fd); }
  int RenameNoReplace(const std::string& a, const std::string& b) override {
    return real.RenameNoReplace(a, b);
  }
  int Rename(const std::string& a, const std::string& b) override { return real.Rename(a, b); }
  int Link(const std::string& a, const std::string& b) override { return real.Link(a, b); }
  int Unlink(const std::string& p) override { return real.Unlink(p); }
  int MakeFolder(const std::string& p, mode_t m) override { return real.MakeFolder(p, m); }
  int SyncFolder(const std::string&) override { return 0; }

 private:
  tavo::FileCalls& real = tavo::SystemFileCalls();
};

// The encoder alone, no file system at all.
void BM_JpegEncodeOnly(benchmark::State& state) {
  const auto picture = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  NoFiles none;
  for (auto _ : state) {
    if (tavo::JpegFile(boxes, none)
            .WriteJpeg("x.jpg", kImageQuality, picture.data(), kFrameWidth, kFrameHeight) !=
        tavo::WriteResult::kWritten)
      state.SkipWithError("encode failed");
  }
}
BENCHMARK(BM_JpegEncodeOnly);

// A new picture file on the real disk, as recording writes it: without the data sync (/0) and
// with it (/1). The difference is what durability costs the frame handler.
void BM_NewPictureOnDisk(benchmark::State& state) {
  const bool sync = state.range(0) != 0;
  const fs::path dir = DiskScratch(sync ? "synced" : "unsynced");
  const auto picture = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  NoSync noSync;
  tavo::FileCalls& calls = sync ? tavo::SystemFileCalls() : noSync;
  int n = 0;
  for (auto _ : state) {
    char name[32];
    std::snprintf(name, sizeof name, "picture_%06d.jpg", ++n);
    if (!tavo::JpegFile(boxes, calls)
             .RgbToJpeg((dir / name).string(), kImageQuality, picture.data(), kFrameWidth,
                        kFrameHeight))
      state.SkipWithError("write failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_NewPictureOnDisk)->Arg(0)->Arg(1)->UseRealTime();

// Floor: the encoder writing the same picture over the same file.
void BM_JpegEncodeAlone(benchmark::State& state) {
  const fs::path dir = Scratch("encode");
  const std::string path = (dir / "image_000001.jpg").string();
  const auto picture = CameraLikePicture();
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    if (!tavo::JpegFile(boxes).RgbToJpeg(path, kImageQuality, picture.data(), kFrameWidth,
                                         kFrameHeight, tavo::kUserCopy))
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
    if (!store.SaveMotionFrame(frame, path, tavo::kUserCopy)) state.SkipWithError("write failed");
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
