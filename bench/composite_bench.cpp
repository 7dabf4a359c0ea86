// The mail alert's 16-to-1 composite (16 decodes of 320 x 240, the even-pixel shrink, one 640 x
// 480 encode) beside plain libjpeg-turbo calls doing the same work with the same settings.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "directjpeg.h"
#include "imageindex.h"
#include "jpegfile.h"
#include "mail/composite.h"
#include "messageboxes.h"
#include "stringtable.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tavo::cctv::kCompositeHeight;
using tavo::cctv::kCompositeWidth;

// A scene with gradients, a moving blob and sensor noise, so the codec has real work.
Bytes Scene(int n) {
  std::mt19937 random(n);
  std::normal_distribution<double> noise(0.0, 3.0);
  Bytes rgb(320 * 240 * 3);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const double u = x / 320.0, v = y / 240.0, cx = 0.2 + 0.04 * n;
      const double blob = 70 * std::exp(-((u - cx) * (u - cx) + (v - 0.5) * (v - 0.5)) * 25);
      const double c[3] = {60 + 120 * u + blob, 50 + 100 * v + 20 * std::sin(u * 30),
                           170 - 80 * u * v - blob};
      for (int k = 0; k < 3; ++k)
        rgb[(y * 320 + x) * 3 + k] =
            static_cast<std::uint8_t>(std::clamp(c[k] + noise(random), 0.0, 255.0));
    }
  return rgb;
}

struct Run {
  Run() : scratch("/tmp/tavo-composite-bench-XXXXXX") {
    if (scratch.path().empty()) std::abort();
    folder = scratch.path();
    mailFolder = folder + "/EmailSendJpg";
    std::filesystem::create_directories(mailFolder);
    tavo::RecordingMessageBoxes boxes;
    for (int n = 1; n <= 16; ++n) {
      char name[64];
      std::snprintf(name, sizeof name, "/14h05m09s_01-17-03_%06d.jpg", n);
      const Bytes rgb = Scene(n);
      tavo::JpegFile(boxes).RgbToJpeg(folder + name, 75, rgb.data(), 320, 240);
      paths.push_back(folder + name);
    }
  }
  tavo::testing::ScratchFolder scratch;
  std::string folder;
  std::string mailFolder;
  std::vector<std::string> paths;
};

Run& TheRun() {
  static Run run;
  return run;
}

void BM_BuildComposite(benchmark::State& state) {
  Run& run = TheRun();
  tavo::RecordingMessageBoxes boxes;
  const tavo::StringTable strings({}, tavo::Language::English);
  tavo::cctv::ImageIndex index;
  tavo::cctv::CompositeBuilder builder(
      boxes, strings, [&](const std::string& f, int n) { return index.Find(f, n); });
  for (auto _ : state) {
    int counter = 0;
    std::string path;
    if (!builder.BuildComposite(run.folder, run.mailFolder, 16, counter, path)) {
      state.SkipWithError("composite failed");
      break;
    }
    benchmark::DoNotOptimize(path);
  }
}
BENCHMARK(BM_BuildComposite)->Unit(benchmark::kMillisecond);

// Decodes straight into the tile: every even row, every even pixel.
void RawDecodeIntoTile(const std::string& path, int tile, std::uint8_t* composite) {
  const Bytes file = tavo::bench::ReadWholeFile(path);
  tavo::bench::DirectDecoder decoder(file);
  Bytes row(std::size_t{decoder.width()} * static_cast<std::size_t>(decoder.components()));
  std::uint8_t* origin = composite + (tile / 4) * 120 * 1920 + (tile % 4) * 480;
  while (!decoder.done()) {
    const unsigned y = decoder.nextRow();
    decoder.ReadRow(row.data());
    if (y % 2 != 0) continue;
    std::uint8_t* to = origin + (y / 2) * 1920;
    for (unsigned x = 0; x < 160; ++x) std::copy_n(&row[x * 6], 3, to + x * 3);
  }
}

void BM_RawLibjpegComposite(benchmark::State& state) {
  Run& run = TheRun();
  const std::string path = run.mailFolder + "/raw.jpg";
  for (auto _ : state) {
    auto composite = std::make_unique<std::uint8_t[]>(kCompositeWidth * kCompositeHeight * 3);
    for (int tile = 0; tile < 16; ++tile) RawDecodeIntoTile(run.paths[tile], tile, composite.get());
    tavo::bench::DirectEncode(path, composite.get(), kCompositeWidth, kCompositeHeight);
    benchmark::DoNotOptimize(composite.get());
  }
}
BENCHMARK(BM_RawLibjpegComposite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
