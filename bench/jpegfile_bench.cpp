// JpegFile against plain libjpeg-turbo calls doing the same work with the same settings: encode to
// memory and write the file; read the file and decode it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "directjpeg.h"
#include "jpegfile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Gradients, soft blobs and sensor noise: enough detail that the entropy coder has real work.
Bytes Frame(std::uint32_t width, std::uint32_t height) {
  std::mt19937 random(42);
  std::normal_distribution<double> noise(0.0, 3.0);
  Bytes rgb(std::size_t{width} * height * 3);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const double u = double(x) / width, v = double(y) / height;
      const double blob = 60 * std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.6) * (v - 0.6)) * 20);
      const double stripes = 25 * std::sin(u * 40 + v * 10);
      const double c[3] = {60 + 120 * u + blob, 50 + 100 * v + stripes, 180 - 90 * u * v - blob};
      for (int k = 0; k < 3; ++k) {
        rgb[(std::size_t{y} * width + x) * 3 + k] =
            static_cast<std::uint8_t>(std::clamp(c[k] + noise(random), 0.0, 255.0));
      }
    }
  }
  return rgb;
}

// What every case starts from: a frame of the size the case names, and a file for it in a fresh
// folder.
struct Case {
  Case(const benchmark::State& state, const char* name)
      : width(static_cast<std::uint32_t>(state.range(0))),
        height(static_cast<std::uint32_t>(state.range(1))),
        rgb(Frame(width, height)),
        path(dir.File(name)) {
    if (dir.path().empty()) std::abort();
  }
  const std::uint32_t width;
  const std::uint32_t height;
  const Bytes rgb;
  const tavo::testing::ScratchFolder dir{"/tmp/jpegbench_XXXXXX"};
  const std::string path;
};

std::unique_ptr<std::uint8_t[]> DirectDecode(const std::string& path, std::uint32_t& width,
                                             std::uint32_t& height) {
  const Bytes file = tavo::bench::ReadWholeFile(path);
  tavo::bench::DirectDecoder decoder(file);
  width = decoder.width();
  height = decoder.height();
  const std::size_t rowBytes = std::size_t{width} * 3;
  std::unique_ptr<std::uint8_t[]> rgb(new std::uint8_t[rowBytes * height]);
  while (!decoder.done()) decoder.ReadRow(rgb.get() + rowBytes * decoder.nextRow());
  return rgb;
}

void EncodeOurs(benchmark::State& state) {
  const Case c(state, "ours.jpg");
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    tavo::JpegFile jpeg(boxes);
    if (!jpeg.RgbToJpeg(c.path, 75, c.rgb.data(), c.width, c.height))
      state.SkipWithError("write failed");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(c.path));
}

void EncodeDirect(benchmark::State& state) {
  const Case c(state, "direct.jpg");
  for (auto _ : state) tavo::bench::DirectEncode(c.path, c.rgb.data(), c.width, c.height);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(c.path));
}

void DecodeOurs(benchmark::State& state) {
  const Case c(state, "in.jpg");
  tavo::bench::DirectEncode(c.path, c.rgb.data(), c.width, c.height);
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    tavo::JpegFile jpeg(boxes);
    std::uint32_t w = 0, h = 0;
    auto out = jpeg.JpegToRgb(c.path, w, h);
    if (!out) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.get());
  }
}

void DecodeDirect(benchmark::State& state) {
  const Case c(state, "in.jpg");
  tavo::bench::DirectEncode(c.path, c.rgb.data(), c.width, c.height);
  for (auto _ : state) {
    std::uint32_t w = 0, h = 0;
    auto out = DirectDecode(c.path, w, h);
    benchmark::DoNotOptimize(out.get());
  }
}

#define TAVO_SIZES Args({320, 240})->Args({640, 480})->Unit(benchmark::kMicrosecond)
BENCHMARK(EncodeOurs)->TAVO_SIZES;
BENCHMARK(EncodeDirect)->TAVO_SIZES;
BENCHMARK(DecodeOurs)->TAVO_SIZES;
BENCHMARK(DecodeDirect)->TAVO_SIZES;

}  // namespace

BENCHMARK_MAIN();
