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

#include <jpeglib.h>

#include <unistd.h>

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

class TempDir {
 public:
  TempDir() {
    std::string pattern = "/tmp/jpegbench_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::unique_ptr<std::uint8_t[]> DirectDecode(const std::string& path, std::uint32_t& width,
                                             std::uint32_t& height) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::abort();
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  Bytes file(static_cast<std::size_t>(size));
  if (std::fread(file.data(), 1, file.size(), f) != file.size()) std::abort();
  std::fclose(f);
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), file.size());
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  width = d.output_width;
  height = d.output_height;
  const std::size_t rowBytes = std::size_t{width} * 3;
  std::unique_ptr<std::uint8_t[]> rgb(new std::uint8_t[rowBytes * height]);
  while (d.output_scanline < height) {
    JSAMPROW row = rgb.get() + rowBytes * d.output_scanline;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return rgb;
}

void EncodeOurs(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  const Bytes rgb = Frame(width, height);
  TempDir dir;
  const std::string path = dir.File("ours.jpg");
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    tavo::JpegFile jpeg(boxes);
    if (!jpeg.RgbToJpeg(path, 75, rgb.data(), width, height)) state.SkipWithError("write failed");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void EncodeDirect(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  const Bytes rgb = Frame(width, height);
  TempDir dir;
  const std::string path = dir.File("direct.jpg");
  for (auto _ : state) tavo::bench::DirectEncode(path, rgb.data(), width, height);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void DecodeOurs(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  const Bytes rgb = Frame(width, height);
  TempDir dir;
  const std::string path = dir.File("in.jpg");
  tavo::bench::DirectEncode(path, rgb.data(), width, height);
  tavo::RecordingMessageBoxes boxes;
  for (auto _ : state) {
    tavo::JpegFile jpeg(boxes);
    std::uint32_t w = 0, h = 0;
    auto out = jpeg.JpegToRgb(path, w, h);
    if (!out) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.get());
  }
}

void DecodeDirect(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  const Bytes rgb = Frame(width, height);
  TempDir dir;
  const std::string path = dir.File("in.jpg");
  tavo::bench::DirectEncode(path, rgb.data(), width, height);
  for (auto _ : state) {
    std::uint32_t w = 0, h = 0;
    auto out = DirectDecode(path, w, h);
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
