#include "jpegfile.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "raw_jpeg.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
// For cases that write one name again and again.
constexpr WriteOptions kReplace{.existing = Existing::kReplace};

// Smooth gradients with a little noise: what a camera frame looks like to the codec.
Bytes Picture(std::uint32_t width, std::uint32_t height, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-4, 4);
  Bytes rgb(std::size_t{width} * height * 3);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &rgb[(std::size_t{y} * width + x) * 3];
      const int base[3] = {static_cast<int>(40 + 170 * x / width),
                           static_cast<int>(30 + 190 * y / height),
                           static_cast<int>(200 - 120 * (x + y) / (width + height))};
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(base[c] + noise(random));
    }
  }
  return rgb;
}

double MeanAbsDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(n);
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Encodes with libjpeg directly, for inputs our writer never produces (grey, CMYK): a pattern
// that changes along every row and from row to row.
void WriteRawJpeg(const fs::path& path, std::uint32_t width, std::uint32_t height, int components,
                  J_COLOR_SPACE space) {
  const std::size_t rowBytes = std::size_t{width} * static_cast<std::size_t>(components);
  Bytes pixels(rowBytes * height);
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t i = 0; i < rowBytes; ++i)
      pixels[y * rowBytes + i] = static_cast<std::uint8_t>(i * 7 + y);
  const Bytes file = testing::EncodeRawJpeg(pixels.data(), width, height,
                                            {.components = components, .space = space});
  WriteAll(path, file.data(), file.size());
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

class JpegFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "jpegfile_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  RecordingMessageBoxes boxes_;
  JpegFile jpeg_{boxes_};
};

TEST_F(JpegFileTest, RoundTripKeepsSizeAndColours) {
  const Bytes in = Picture(320, 240);
  const std::string path = dir_ / "frame.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), 320, 240));
  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgb(path, w, h);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  EXPECT_LT(MeanAbsDifference(in.data(), out.get(), 230400), 3.0);
  EXPECT_TRUE(jpeg_.ReadJpegSize(path, w = 0, h = 0));
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"frame.jpg"});  // no temporary left
}

TEST_F(JpegFileTest, BlueGreenRedFramesKeepTheirOrderThroughSwaps) {
  // Strongly blue in BGR order: byte 0 high, byte 2 low.
  Bytes bgr(64 * 32 * 3);
  for (std::size_t i = 0; i < bgr.size(); i += 3) bgr[i] = 220, bgr[i + 1] = 90, bgr[i + 2] = 20;
  const std::string path = dir_ / "bgr.jpg";
  Bytes rgb = bgr;
  ASSERT_TRUE(JpegFile::SwapRedBlue(rgb.data(), 64, 32));
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, rgb.data(), 64, 32));
  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgb(path, w, h);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(JpegFile::SwapRedBlue(out.get(), w, h));
  EXPECT_LT(MeanAbsDifference(bgr.data(), out.get(), bgr.size()), 3.0);
}

// What the written file says about itself, read back through libjpeg.
struct Layout {
  std::uint32_t width;
  unsigned restartInterval;
};

class JpegFileFormatTest : public JpegFileTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(JpegFileFormatTest, HeaderCarriesTheSuiteFormat) {
  const auto [width, restart] = GetParam();
  const std::uint32_t height = 24;
  const Bytes in = Picture(width, height);
  const std::string path = dir_ / "f.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), width, height));
  const testing::RawJpegHeader header(ReadAll(path));
  ASSERT_EQ(header.status(), JPEG_HEADER_OK);
  const jpeg_decompress_struct& d = header.info();

  EXPECT_TRUE(d.saw_JFIF_marker);
  EXPECT_EQ(d.JFIF_major_version, 1);
  EXPECT_EQ(d.JFIF_minor_version, 1);
  EXPECT_EQ(d.density_unit, 0);
  EXPECT_EQ(d.X_density, 1);
  EXPECT_EQ(d.Y_density, 1);
  ASSERT_NE(d.marker_list, nullptr);
  const Bytes app0(d.marker_list->data, d.marker_list->data + d.marker_list->data_length);
  const Bytes jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  EXPECT_EQ(app0, jfif);

  EXPECT_FALSE(d.progressive_mode);
  EXPECT_EQ(d.jpeg_color_space, JCS_YCbCr);
  EXPECT_EQ(d.restart_interval, restart);
  ASSERT_EQ(d.num_components, 3);
  for (int i = 0; i < 3; ++i) {
    const jpeg_component_info& comp = d.comp_info[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(comp.component_id, i + 1);
    EXPECT_EQ(comp.h_samp_factor, i == 0 ? 2 : 1);
    EXPECT_EQ(comp.v_samp_factor, 1);
    EXPECT_EQ(comp.quant_tbl_no, i == 0 ? 0 : 1);
    EXPECT_EQ(comp.dc_tbl_no, i == 0 ? 0 : 1);
    EXPECT_EQ(comp.ac_tbl_no, i == 0 ? 0 : 1);
  }
  // Quality 75 scales the standard tables by half: luma DC 16 -> 8, chroma DC 17 -> 9.
  EXPECT_EQ(d.quant_tbl_ptrs[0]->quantval[0], 8);
  EXPECT_EQ(d.quant_tbl_ptrs[1]->quantval[0], 9);
}

INSTANTIATE_TEST_SUITE_P(Widths, JpegFileFormatTest,
                         ::testing::Values(Layout{320, 20}, Layout{640, 40}, Layout{8, 0},
                                           Layout{15, 0}, Layout{33, 2}));

TEST_F(JpegFileTest, ImageMagickReadsTheFormat) {
  if (::access("/usr/bin/identify", X_OK) != 0) GTEST_SKIP() << "identify is not installed";
  const Bytes in = Picture(320, 240);
  const std::string path = dir_ / "im.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), 320, 240));
  std::string report;
  const std::string command = "/usr/bin/identify -verbose '" + path + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) report.append(chunk, n);
  EXPECT_EQ(::pclose(pipe), 0) << report;
  EXPECT_NE(report.find("sampling-factor: 2x1,1x1,1x1"), std::string::npos) << report;
  EXPECT_NE(report.find("Quality: 75"), std::string::npos) << report;
  EXPECT_NE(report.find("Geometry: 320x240"), std::string::npos) << report;
}

TEST_F(JpegFileTest, QualityOutsideTheRangeIsClamped) {
  const Bytes in = Picture(48, 16);
  const std::pair<int, int> cases[] = {{0, 1}, {-5, 1}, {101, 100}, {1000, 100}};
  for (const auto& [asked, clamped] : cases) {
    SCOPED_TRACE(asked);
    ASSERT_TRUE(jpeg_.RgbToJpeg(dir_ / "a.jpg", asked, in.data(), 48, 16, kReplace));
    ASSERT_TRUE(jpeg_.RgbToJpeg(dir_ / "b.jpg", clamped, in.data(), 48, 16, kReplace));
    EXPECT_EQ(ReadAll(dir_ / "a.jpg"), ReadAll(dir_ / "b.jpg"));
  }
}

TEST_F(JpegFileTest, QualityHundredQuantisesEveryCoefficientByOne) {
  const Bytes in = Picture(48, 16);
  const std::string path = dir_ / "best.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 100, in.data(), 48, 16));
  const testing::RawJpegHeader header(ReadAll(path));
  ASSERT_EQ(header.status(), JPEG_HEADER_OK);
  const jpeg_decompress_struct& d = header.info();
  ASSERT_EQ(d.num_components, 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const JQUANT_TBL* table = d.quant_tbl_ptrs[d.comp_info[i].quant_tbl_no];
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(std::vector<UINT16>(table->quantval, table->quantval + DCTSIZE2),
              std::vector<UINT16>(DCTSIZE2, 1));
  }
}

TEST_F(JpegFileTest, GreyFilesDecodeToEqualChannels) {
  const std::string path = dir_ / "grey.jpg";
  WriteRawJpeg(path, 40, 30, 1, JCS_GRAYSCALE);
  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgb(path, w, h);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(w, 40u);
  ASSERT_EQ(h, 30u);
  bool varied = false;
  for (std::size_t i = 0; i < 40 * 30 * 3; i += 3) {
    ASSERT_EQ(out[i], out[i + 1]) << i;
    ASSERT_EQ(out[i], out[i + 2]) << i;
    varied |= out[i] != out[0];
  }
  EXPECT_TRUE(varied);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(JpegFileTest, CmykFilesAreRefusedQuietly) {
  const std::string path = dir_ / "cmyk.jpg";
  WriteRawJpeg(path, 32, 16, 4, JCS_CMYK);
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr);
  EXPECT_EQ(w, 32u);  // the header was read
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(jpeg_.ReadJpegSize(path, w, h));
}

TEST_F(JpegFileTest, DecodingWhatIsNoFileGivesNullQuietly) {
  std::uint32_t w = 7, h = 7;
  EXPECT_EQ(jpeg_.JpegToRgb("", w, h), nullptr);
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(jpeg_.JpegToRgb(dir_ / "missing.jpg", w = 7, h = 7), nullptr);
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(jpeg_.JpegToRgb(dir_, w, h), nullptr);  // a folder is no file
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(JpegFileTest, SizeOfAMissingFileShowsTheOpenBox) {
  std::uint32_t w = 0, h = 0;
  const std::string missing = dir_ / "missing.jpg";
  EXPECT_FALSE(jpeg_.ReadJpegSize(missing, w, h));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "JPEG :\nCan't open " + missing + "\n");
  EXPECT_EQ(boxes_.boxes[0].icon, MessageIcon::None);
  EXPECT_EQ(boxes_.boxes[0].title, "");
}

TEST_F(JpegFileTest, TextAndEmptyFilesShowTheFatalBox) {
  std::uint32_t w = 0, h = 0;
  const std::string text = dir_ / "notes.jpg";
  WriteAll(text, "shopping list\n", 14);
  EXPECT_EQ(jpeg_.JpegToRgb(text, w, h), nullptr);
  EXPECT_FALSE(jpeg_.ReadJpegSize(text, w, h));
  const std::string empty = dir_ / "empty.jpg";
  WriteAll(empty, "", 0);
  EXPECT_EQ(jpeg_.JpegToRgb(empty, w, h), nullptr);
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  for (const auto& box : boxes_.boxes) {
    EXPECT_EQ(box.title, "JPEG Fatal Error");
    EXPECT_EQ(box.icon, MessageIcon::Error);
  }
  EXPECT_NE(boxes_.boxes[0].text.find("Not a JPEG file"), std::string::npos)
      << boxes_.boxes[0].text;
  EXPECT_EQ(boxes_.boxes[2].text, "Empty input file");
}

TEST_F(JpegFileTest, TruncatedFilesDecodeAfterOneWarning) {
  const Bytes in = Picture(320, 240);
  const std::string path = dir_ / "cut.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), 320, 240));
  Bytes file = ReadAll(path);
  file.resize(file.size() / 2);
  // An exact-size heap copy of the cut file is what the decoder reads, so ASan sees any overrun.
  WriteAll(path, file.data(), file.size());
  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgb(path, w, h);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  // The top half survives.
  EXPECT_LT(MeanAbsDifference(in.data(), out.get(), 320 * 60 * 3), 3.0);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "JPEG Library Error");
  EXPECT_EQ(boxes_.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(boxes_.boxes[0].text, "Premature end of JPEG file");
}

TEST_F(JpegFileTest, StreamEndingInsideASkippedMarkerStopsAtTheEnd) {
  // SOI, then a comment that claims 60000 bytes but has 9000: the decoder skips over the end.
  Bytes file = {0xFF, 0xD8, 0xFF, 0xFE, 0xEA, 0x60};
  file.resize(file.size() + 9000, 'x');
  const std::string path = dir_ / "comment.jpg";
  WriteAll(path, file.data(), file.size());
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr);
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].title, "JPEG Library Error");
  EXPECT_EQ(boxes_.boxes[1].title, "JPEG Fatal Error");
}

TEST_F(JpegFileTest, EndlessScanRepeatsAreCutShort) {
  // A progressive file whose last scan repeats 600 times: the codec only warns about each
  // repeat, so without a limit every one of them costs a full pass.
  const Bytes in = Picture(16, 16);
  Bytes file = testing::EncodeRawJpeg(in.data(), 16, 16, {.progressive = true});
  std::size_t lastScan = file.size() - 2;
  while (!(file[lastScan] == 0xFF && file[lastScan + 1] == 0xDA)) --lastScan;
  const Bytes scan(file.begin() + static_cast<std::ptrdiff_t>(lastScan), file.end() - 2);
  file.resize(file.size() - 2);
  for (int i = 0; i < 600; ++i) file.insert(file.end(), scan.begin(), scan.end());
  file.insert(file.end(), {0xFF, 0xD9});
  const std::string path = dir_ / "scans.jpg";
  WriteAll(path, file.data(), file.size());
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr);
  ASSERT_FALSE(boxes_.boxes.empty());
  EXPECT_EQ(boxes_.boxes.back().title, "JPEG Fatal Error");
  EXPECT_NE(boxes_.boxes.back().text.find("500 scans"), std::string::npos);
}

TEST_F(JpegFileTest, OversizedFilesAreRefusedUnread) {
  const std::string path = dir_ / "huge.jpg";
  { std::ofstream(path) << "\xFF\xD8"; }
  fs::resize_file(path, JpegFile::kMaxFileBytes + 1);  // sparse: costs no disk
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr);
  EXPECT_FALSE(jpeg_.ReadJpegSize(path, w, h));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(JpegFileTest, AbsurdPictureSizesAreRefusedBeforeDecoding) {
  const Bytes in = Picture(16, 16);
  const std::string path = dir_ / "big.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), 16, 16));
  const Bytes small = ReadAll(path);
  // Rewrite the frame header's height and width.
  const std::pair<std::uint16_t, std::uint16_t> sizes[] = {
      {16, 20000}, {20000, 16}, {16384, 16384}};
  for (const auto& [height, width] : sizes) {
    Bytes file = small;
    std::size_t sof = 2;
    while (!(file[sof] == 0xFF && file[sof + 1] == 0xC0)) ++sof;
    file[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    file[sof + 6] = static_cast<std::uint8_t>(height);
    file[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    file[sof + 8] = static_cast<std::uint8_t>(width);
    WriteAll(path, file.data(), file.size());
    std::uint32_t w = 0, h = 0;
    EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr) << width << "x" << height;
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

// Bytes this process has read through read() so far; -1 where the system does not tell.
long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

TEST_F(JpegFileTest, AnExpectedSizeRefusesOtherPicturesByTheirHeaderAlone) {
  const std::string wrong = dir_ / "wrong.jpg";
  const std::string right = dir_ / "right.jpg";
  const Bytes big = Picture(640, 480);
  const Bytes small = Picture(320, 240);
  ASSERT_TRUE(jpeg_.RgbToJpeg(wrong, 75, big.data(), 640, 480));
  ASSERT_TRUE(jpeg_.RgbToJpeg(right, 75, small.data(), 320, 240));
  // 32 MB each, the picture at the start: only what the decoder needs may be read.
  fs::resize_file(wrong, 32 << 20);
  fs::resize_file(right, 32 << 20);
  const JpegFile::PictureSize frame{320, 240};

  std::uint32_t w = 0, h = 0;
  const long long before = BytesRead();
  EXPECT_EQ(jpeg_.JpegToRgb(wrong, w, h, frame), nullptr);
  const long long afterRefusal = BytesRead();
  EXPECT_EQ(w, 640u);  // the header was read
  EXPECT_EQ(h, 480u);
  auto out = jpeg_.JpegToRgb(right, w, h, frame);
  const long long afterDecode = BytesRead();
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  EXPECT_LT(MeanAbsDifference(small.data(), out.get(), small.size()), 3.0);
  EXPECT_TRUE(boxes_.boxes.empty());
  if (before < 0) GTEST_SKIP() << "no /proc/self/io to count the bytes read";
  EXPECT_LT(afterRefusal - before, 1 << 20);
  EXPECT_LT(afterDecode - afterRefusal, 1 << 20);
}

// Three 60,000-byte comments after the start marker put the frame header far past the first read
// and have the decoder skip over bytes not read yet.
Bytes WithLongComments(const Bytes& jpeg, std::size_t lastCommentBytes = 60000) {
  Bytes file(jpeg.begin(), jpeg.begin() + 2);
  for (int i = 0; i < 3; ++i) {
    const std::size_t length = (i < 2 ? 60000 : lastCommentBytes) + 2;
    file.insert(file.end(), {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8),
                             static_cast<std::uint8_t>(length)});
    file.resize(file.size() + length - 2, static_cast<std::uint8_t>('a' + i));
  }
  file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
  return file;
}

TEST_F(JpegFileTest, HeadersFarIntoTheFileAreReadOnDemand) {
  const Bytes in = Picture(48, 32);
  const std::string path = dir_ / "comments.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), 48, 32));
  const Bytes file = WithLongComments(ReadAll(path));
  WriteAll(path, file.data(), file.size());

  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgb(path, w, h);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(w, 48u);
  EXPECT_LT(MeanAbsDifference(in.data(), out.get(), in.size()), 3.0);
  EXPECT_NE(jpeg_.JpegToRgb(path, w, h, JpegFile::PictureSize{48, 32}), nullptr);
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h, JpegFile::PictureSize{32, 48}), nullptr);
  EXPECT_TRUE(jpeg_.ReadJpegSize(path, w = 0, h = 0));
  EXPECT_EQ(h, 32u);
  EXPECT_TRUE(boxes_.boxes.empty());

  // The last comment claims more than the file holds: the end comes as a warning, then the codec
  // gives up for want of a frame.
  const Bytes cut = WithLongComments(Bytes{0xFF, 0xD8}, 65000);
  WriteAll(path, cut.data(), cut.size() - 1000);
  EXPECT_EQ(jpeg_.JpegToRgb(path, w, h), nullptr);
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].text, "Premature end of JPEG file");
  EXPECT_EQ(boxes_.boxes[1].title, "JPEG Fatal Error");
}

TEST_F(JpegFileTest, BadEncoderInputsFailWithoutAFile) {
  const Bytes in = Picture(16, 16);
  const std::string path = dir_ / "bad.jpg";
  EXPECT_FALSE(jpeg_.RgbToJpeg(path, 75, nullptr, 16, 16));
  EXPECT_FALSE(jpeg_.RgbToJpeg(path, 75, in.data(), 0, 16));
  EXPECT_FALSE(jpeg_.RgbToJpeg(path, 75, in.data(), 16, 0));
  EXPECT_TRUE(boxes_.boxes.empty());
  // Wider than JPEG allows: the codec's own refusal comes back as a box, not an exit.
  const Bytes wide(70000 * 3);
  EXPECT_FALSE(jpeg_.RgbToJpeg(path, 75, wide.data(), 70000, 1));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "JPEG Library Error");
  EXPECT_EQ(boxes_.boxes[0].icon, MessageIcon::Error);
  EXPECT_NE(boxes_.boxes[0].text.find("65500"), std::string::npos) << boxes_.boxes[0].text;
  EXPECT_TRUE(Entries(dir_).empty());
}

TEST_F(JpegFileTest, MissingFolderFailsWithAMessage) {
  const Bytes in = Picture(16, 16);
  const std::string path = dir_ / "nowhere" / "x.jpg";
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(jpeg_.RgbToJpeg(path, 75, in.data(), 16, 16));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "can't open " + path + "\n");
  EXPECT_TRUE(Entries(dir_).empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

// A failed write leaves the earlier picture whole under the final name and nothing beside it.
void ExpectFailedWriteKeepsOldFile(JpegFile& jpeg, const fs::path& dir) {
  const Bytes small = Picture(16, 16);
  const fs::path path = dir / "pic.jpg";
  ASSERT_TRUE(jpeg.RgbToJpeg(path, 75, small.data(), 16, 16));
  const Bytes before = ReadAll(path);
  // Pure noise at full quality: far bigger than the room left.
  Bytes noise(640 * 480 * 3);
  std::mt19937 random(7);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(jpeg.RgbToJpeg(path, 100, noise.data(), 640, 480, kReplace));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "can't write " + path.string() + "\n");
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"pic.jpg"});
}

TEST_F(JpegFileTest, FullDiskKeepsTheOldFile) {
  const fs::path mnt = dir_ / "small";
  fs::create_directory(mnt);
  if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  ExpectFailedWriteKeepsOldFile(jpeg_, mnt);
  ::umount(mnt.c_str());
}

TEST_F(JpegFileTest, FileSizeLimitKeepsTheOldFile) {
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // write() then fails with EFBIG
  rlimit small = old;
  small.rlim_cur = 32 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  ExpectFailedWriteKeepsOldFile(jpeg_, dir_);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
}

// Counts the growths of the encoder's output block and refuses those from `failFrom` on.
struct GrowthFailure {
  static inline int calls = 0;
  static inline int failFrom = 0;
  static bool Hook(std::size_t) { return ++calls < failFrom; }
  GrowthFailure(int from) {
    calls = 0;
    failFrom = from;
    JpegFile::SetOutputGrowthHook(&Hook);
  }
  ~GrowthFailure() { JpegFile::SetOutputGrowthHook(nullptr); }
};

TEST_F(JpegFileTest, MemoryShortAfterTheOutputGrewFailsCleanly) {
  // Noise at full quality: several times the one byte per pixel the block starts with.
  Bytes noise(256 * 256 * 3);
  std::mt19937 random(3);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  const std::string path = dir_ / "noise.jpg";
  {
    // The first block and its first growth are granted, the second growth is not. (The sanitizer
    // build catches a block freed twice or lost here.)
    const GrowthFailure failure(3);
    EXPECT_EQ(jpeg_.WriteJpeg(path, 100, noise.data(), 256, 256), WriteResult::kFailed);
    EXPECT_EQ(GrowthFailure::calls, 3);
  }
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "JPEG Library Error");
  EXPECT_NE(boxes_.boxes[0].text.find("Insufficient memory"), std::string::npos)
      << boxes_.boxes[0].text;
  EXPECT_TRUE(Entries(dir_).empty());

  // Not even the first block: the same clean failure.
  {
    const GrowthFailure failure(1);
    EXPECT_EQ(jpeg_.WriteJpeg(path, 75, noise.data(), 256, 256), WriteResult::kFailed);
  }
  EXPECT_EQ(boxes_.boxes.size(), 2u);

  // With memory back, the same picture is written whole, however often the block grew.
  ASSERT_EQ(jpeg_.WriteJpeg(path, 100, noise.data(), 256, 256), WriteResult::kWritten);
  EXPECT_GT(fs::file_size(path), 256u * 256u * 2);
  std::uint32_t w = 0, h = 0;
  EXPECT_NE(jpeg_.JpegToRgb(path, w, h), nullptr);
  EXPECT_EQ(w, 256u);
  EXPECT_EQ(h, 256u);
}

TEST_F(JpegFileTest, ANewPictureNeverReplacesOneButACopyMay) {
  const Bytes first = Picture(32, 16, 1);
  const Bytes second = Picture(32, 16, 2);
  const std::string path = dir_ / "pic.jpg";
  ASSERT_EQ(jpeg_.WriteJpeg(path, 75, first.data(), 32, 16), WriteResult::kWritten);
  const Bytes before = ReadAll(path);
  EXPECT_EQ(jpeg_.WriteJpeg(path, 75, second.data(), 32, 16), WriteResult::kNameTaken);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"pic.jpg"});
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, second.data(), 32, 16, kUserCopy));
  EXPECT_NE(ReadAll(path), before);
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The smallest codec scale that still covers the asked size, never larger than the picture.
TEST_F(JpegFileTest, ScaledDecodesCoverTheAskedSizeAtTheSmallestScale) {
  struct Case {
    std::uint32_t width, height, wantWidth, wantHeight, gotWidth, gotHeight;
  };
  const Case cases[] = {
      {640, 480, 79, 60, 80, 60},    // 1/8
      {320, 240, 79, 60, 80, 60},    // 2/8
      {160, 120, 79, 60, 80, 60},    // 4/8
      {640, 480, 81, 60, 160, 120},  // 1/8 is one column short
      {100, 100, 79, 60, 88, 88},    // 7/8, the codec rounding up
      {50, 40, 79, 60, 50, 40},      // smaller than asked: whole
      {33, 17, 0, 0, 5, 3},          // nothing asked: 1/8, rounded up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const Bytes in = Picture(c.width, c.height);
    const std::string path = dir_ / "scaled.jpg";
    ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), c.width, c.height, kReplace));
    std::uint32_t w = 1, h = 1;
    auto out = jpeg_.JpegToRgbScaled(path, c.wantWidth, c.wantHeight, w, h);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(w, c.gotWidth);
    EXPECT_EQ(h, c.gotHeight);
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

// The reduced picture is the picture: each quarter keeps its colour, a grey file stays grey, and
// what cannot be decoded fails as a full decode does.
TEST_F(JpegFileTest, ScaledDecodesKeepThePictureAndItsFailures) {
  constexpr std::uint32_t kW = 640, kH = 480;
  const std::uint8_t quarters[4][3] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {220, 220, 40}};
  Bytes in(std::size_t{kW} * kH * 3);
  for (std::uint32_t y = 0; y < kH; ++y)
    for (std::uint32_t x = 0; x < kW; ++x)
      std::memcpy(&in[(std::size_t{y} * kW + x) * 3], quarters[(y >= kH / 2) * 2 + (x >= kW / 2)],
                  3);
  const std::string path = dir_ / "quarters.jpg";
  ASSERT_TRUE(jpeg_.RgbToJpeg(path, 75, in.data(), kW, kH));
  std::uint32_t w = 0, h = 0;
  auto out = jpeg_.JpegToRgbScaled(path, 79, 60, w, h);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(w, 80u);
  ASSERT_EQ(h, 60u);
  for (int q = 0; q < 4; ++q) {
    const std::uint8_t* p = &out[((15u + 30u * (q / 2)) * 80u + 20u + 40u * (q % 2)) * 3];
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], quarters[q][c], 6) << "quarter " << q;
  }

  const std::string grey = dir_ / "grey.jpg";
  WriteRawJpeg(grey, 160, 120, 1, JCS_GRAYSCALE);
  out = jpeg_.JpegToRgbScaled(grey, 79, 60, w, h);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(w, 80u);
  for (std::size_t i = 0; i < std::size_t{w} * h * 3; i += 3) {
    ASSERT_EQ(out[i], out[i + 1]);
    ASSERT_EQ(out[i], out[i + 2]);
  }
  EXPECT_TRUE(boxes_.boxes.empty());

  const std::string text = dir_ / "text.jpg";
  WriteAll(text, "not a picture", 13);
  EXPECT_EQ(jpeg_.JpegToRgbScaled(text, 79, 60, w, h), nullptr);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "JPEG Fatal Error");
  EXPECT_EQ(jpeg_.JpegToRgbScaled(dir_ / "missing.jpg", 79, 60, w, h), nullptr);
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(boxes_.boxes.size(), 1u);
}

TEST_F(JpegFileTest, ConcurrentCallsDoNotInterfere) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (unsigned t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      RecordingMessageBoxes boxes;
      JpegFile jpeg(boxes);
      const Bytes in = Picture(96, 64, t + 10);
      const std::string path = dir_ / ("t" + std::to_string(t) + ".jpg");
      for (int i = 0; i < 20; ++i) {
        std::uint32_t w = 0, h = 0;
        std::unique_ptr<std::uint8_t[]> out;
        if (!jpeg.RgbToJpeg(path, 75, in.data(), 96, 64, kReplace) ||
            !(out = jpeg.JpegToRgb(path, w, h)) ||
            MeanAbsDifference(in.data(), out.get(), in.size()) > 3.0) {
          ++failures[t];
        }
      }
      failures[t] += static_cast<int>(boxes.boxes.size());
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(JpegFileTransforms, MakeGrayTruncatesInDoublePrecision) {
  std::uint8_t px[] = {255, 255, 255, 1, 1, 1, 100, 0, 0, 0, 100, 0, 0, 0, 100, 0, 0, 0};
  ASSERT_TRUE(JpegFile::MakeGray(px, 6, 1));
  const std::uint8_t want[] = {255, 0, 29, 58, 11, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(px[i * 3], want[i]) << i;
    EXPECT_EQ(px[i * 3 + 1], want[i]) << i;
    EXPECT_EQ(px[i * 3 + 2], want[i]) << i;
  }
  EXPECT_FALSE(JpegFile::MakeGray(nullptr, 1, 1));
}

TEST(JpegFileTransforms, SwapExchangesTheFirstAndLastByteOfEveryPixel) {
  Bytes px = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(JpegFile::SwapRedBlue(px.data(), 2, 1));
  EXPECT_EQ(px, (Bytes{3, 2, 1, 6, 5, 4}));
  ASSERT_TRUE(JpegFile::SwapRedBlue(px.data(), 2, 1));
  EXPECT_EQ(px, (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(JpegFile::SwapRedBlue(nullptr, 1, 1));
}

TEST(JpegFileTransforms, FlipReversesTheRowOrder) {
  Bytes one = {1, 2, 3};
  ASSERT_TRUE(JpegFile::FlipRows(one.data(), 3, 1));
  EXPECT_EQ(one, (Bytes{1, 2, 3}));
  Bytes three = {1, 1, 2, 2, 3, 3};
  ASSERT_TRUE(JpegFile::FlipRows(three.data(), 2, 3));
  EXPECT_EQ(three, (Bytes{3, 3, 2, 2, 1, 1}));
  Bytes four = {1, 2, 3, 4};
  ASSERT_TRUE(JpegFile::FlipRows(four.data(), 1, 4));
  EXPECT_EQ(four, (Bytes{4, 3, 2, 1}));
  EXPECT_FALSE(JpegFile::FlipRows(nullptr, 3, 2));
}

TEST(JpegFileTransforms, PaddingRoundsRowsToFourBytes) {
  const std::pair<std::uint32_t, std::uint32_t> strides[] = {{5, 16}, {4, 12}, {1, 4}, {321, 964}};
  for (const auto& [width, want] : strides) {
    const Bytes packed = Picture(width, 3);
    std::uint32_t stride = 0;
    auto padded = JpegFile::PadRows(packed.data(), width, 3, stride);
    ASSERT_NE(padded, nullptr);
    EXPECT_EQ(stride, want) << width;
    for (std::uint32_t r = 0; r < 3; ++r) {
      for (std::uint32_t i = width * 3; i < stride; ++i) EXPECT_EQ(padded[r * stride + i], 0);
    }
    auto back = JpegFile::UnpadRows(padded.get(), width, stride, 3);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back.get(), back.get() + packed.size()), packed) << width;
  }
  std::uint32_t stride = 0;
  const std::uint8_t px[12] = {};
  EXPECT_EQ(JpegFile::PadRows(nullptr, 1, 1, stride), nullptr);
  EXPECT_EQ(JpegFile::UnpadRows(nullptr, 1, 4, 1), nullptr);
  // A stride shorter than the row would read past the source.
  EXPECT_EQ(JpegFile::UnpadRows(px, 4, 8, 1), nullptr);
  // Sizes that cannot be real are refused, not wrapped around.
  EXPECT_EQ(JpegFile::PadRows(px, 0xFFFFFFFFu, 0xFFFFFFFFu, stride), nullptr);
  EXPECT_EQ(JpegFile::UnpadRows(px, 0x50000000u, 0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);
}

}  // namespace
}  // namespace tavo
