// The recording step with the real JPEG writer: files read back by ImageMagick, and writes into
// a full, a read-only and a vanished folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "command_output.h"
#include "jpegfile.h"
#include "motiondetector.h"
#include "recordingstore.h"
#include "test_folder.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& command) {
  return tavo::testing::CommandOutput(command + " 2>&1");
}

bool HaveImageMagick() { return std::system("identify -version >/dev/null 2>&1") == 0; }

// The colour ImageMagick reads at (x, y), as "r,g,b".
std::array<int, 3> PixelAt(const std::string& file, int x, int y) {
  const std::string text = Output("convert '" + file + "' -crop 1x1+" + std::to_string(x) + "+" +
                                  std::to_string(y) + " txt:-");
  std::smatch m;
  std::array<int, 3> rgb{-1, -1, -1};
  if (std::regex_search(text, m, std::regex(R"(0,0: \((\d+),(\d+),(\d+))")))
    rgb = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
  return rgb;
}

// A camera frame (rows bottom-up, blue, green, red): blue, with a red block at the picture's top
// left, 64 x 40 pixels.
std::vector<std::uint8_t> CameraFrame() {
  std::vector<std::uint8_t> f(kFrameBytes);
  for (int memoryRow = 0; memoryRow < kFrameHeight; ++memoryRow) {
    const int pictureRow = kFrameHeight - 1 - memoryRow;
    for (int x = 0; x < kFrameWidth; ++x) {
      std::uint8_t* p = &f[(std::size_t(memoryRow) * kFrameWidth + x) * 3];
      const bool red = pictureRow < 40 && x < 64;
      p[0] = red ? 0 : 255;
      p[1] = 0;
      p[2] = red ? 255 : 0;
    }
  }
  return f;
}

// A frame that does not compress to nothing, so a small disk fills after a few images.
std::vector<std::uint8_t> BusyFrame(int seed) {
  std::vector<std::uint8_t> f(kFrameBytes);
  std::uint32_t x = 2463534242u + std::uint32_t(seed);
  for (auto& b : f) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = std::uint8_t(x);
  }
  return f;
}

class RecordingFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { program = tavo::testing::EmptyFolderForTest("recfiles_"); }
  void TearDown() override {
    if (mounted) std::system(("umount '" + program.string() + "'").c_str());
    fs::remove_all(program);
  }
  RecordingStore MakeStore() {
    return RecordingStore(program.string(), "English", SystemLocalClock(), JpegFileWriter(boxes));
  }
  // A tiny file system of its own under the program folder, or false where mounting is denied.
  bool MountTmpfs(const std::string& size) {
    mounted = std::system(("mount -t tmpfs -o size=" + size + " tmpfs '" + program.string() +
                           "' >/dev/null 2>&1")
                              .c_str()) == 0;
    return mounted;
  }
  bool Remount(const std::string& options) {
    return std::system(("mount -o remount," + options + " '" + program.string() + "'").c_str()) ==
           0;
  }
  // Every entry of the run folder is a whole image numbered 1 .. count, and nothing else is there.
  void ExpectWholeImagesOneTo(const RecordingStore& store, int count) {
    const std::size_t boxesBefore = boxes.boxes.size();
    std::set<int> numbers;
    for (const auto& e : fs::directory_iterator(store.runFolder())) {
      const std::string name = e.path().filename().string();
      if (name == "EmailSendJpg") continue;
      const auto found = ImageIndex::NumbersOf(name);
      ASSERT_FALSE(found.empty()) << "stray file " << name;
      numbers.insert(found.front());
      std::uint32_t w = 0, h = 0;
      EXPECT_NE(JpegFile(boxes).JpegToRgb(e.path().string(), w, h), nullptr) << name;
      EXPECT_EQ(w, 320u);
      EXPECT_EQ(h, 240u);
    }
    EXPECT_EQ(int(numbers.size()), count);
    if (!numbers.empty()) {
      EXPECT_EQ(*numbers.begin(), 1);
      EXPECT_EQ(*numbers.rbegin(), count);
    }
    EXPECT_EQ(boxes.boxes.size(), boxesBefore);  // every image decoded without complaint
  }

  fs::path program;
  bool mounted = false;
  RecordingMessageBoxes boxes;
};

TEST_F(RecordingFilesTest, RecordedFileReadsBackAsTheCameraSawIt) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  RecordingStore store = MakeStore();
  ASSERT_TRUE(store.OpenRunFolder());
  auto frame = CameraFrame();
  ASSERT_EQ(store.RecordMotionFrame(frame), RecordResult::kRecorded);
  const std::string file = store.FindImageByCounter(store.runFolder(), 1);
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(file.ends_with("_000001.jpg"));

  const std::string info = Output("identify -verbose '" + file + "'");
  EXPECT_NE(info.find("Geometry: 320x240+0+0"), std::string::npos) << info;
  EXPECT_NE(info.find("jpeg:sampling-factor: 2x1,1x1,1x1"), std::string::npos) << info;
  EXPECT_NE(info.find("Quality: 75"), std::string::npos) << info;
  std::ifstream in(file, std::ios::binary);
  const std::string head(std::istreambuf_iterator<char>(in), {});
  ASSERT_GT(head.size(), 20u);
  EXPECT_EQ(head.substr(0, 4), "\xFF\xD8\xFF\xE0");            // JFIF APP0 first
  EXPECT_EQ(head.substr(6, 7), std::string("JFIF\0\1\1", 7));  // version 1.01

  // Top row first: the red block is at the top left, the rest blue.
  const auto topLeft = PixelAt(file, 10, 10);
  EXPECT_GT(topLeft[0], 200);
  EXPECT_LT(topLeft[1], 60);
  EXPECT_LT(topLeft[2], 60);
  const auto bottomLeft = PixelAt(file, 10, 230);
  EXPECT_LT(bottomLeft[0], 60);
  EXPECT_GT(bottomLeft[2], 200);
  const auto topRight = PixelAt(file, 300, 10);
  EXPECT_LT(topRight[0], 60);
  EXPECT_GT(topRight[2], 200);
}

TEST_F(RecordingFilesTest, RemovedRunFolderFailsCleanlyAndKeepsTheCount) {
  RecordingStore store = MakeStore();
  ASSERT_TRUE(store.OpenRunFolder());
  auto frame = CameraFrame();
  ASSERT_EQ(store.RecordMotionFrame(frame), RecordResult::kRecorded);
  fs::remove_all(store.runFolder());

  frame = CameraFrame();
  EXPECT_EQ(store.RecordMotionFrame(frame), RecordResult::kWriteFailed);
  EXPECT_EQ(store.imageCounter(), 1);
  EXPECT_FALSE(fs::exists(store.runFolder()));  // not brought back half-way
  EXPECT_EQ(store.FindImageByCounter(store.runFolder(), 1), "");
}

TEST_F(RecordingFilesTest, FullOrReadOnlyDiskFailsWithoutPartialFilesOrGaps) {
  if (!MountTmpfs("64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  RecordingStore store = MakeStore();
  ASSERT_TRUE(store.OpenRunFolder());

  RecordResult result = RecordResult::kRecorded;
  int attempts = 0;
  while (result == RecordResult::kRecorded && attempts < 100) {
    auto frame = BusyFrame(attempts++);
    result = store.RecordMotionFrame(frame);
  }
  ASSERT_EQ(result, RecordResult::kWriteFailed);
  const int written = store.imageCounter();
  EXPECT_EQ(written, attempts - 1);
  ExpectWholeImagesOneTo(store, written);

  // Room again: the next image takes the number the failed one would have had.
  ASSERT_TRUE(Remount("size=4m"));
  auto frame = BusyFrame(1000);
  ASSERT_EQ(store.RecordMotionFrame(frame), RecordResult::kRecorded);
  ExpectWholeImagesOneTo(store, written + 1);

  // A read-only medium fails the same way.
  ASSERT_TRUE(Remount("ro"));
  frame = BusyFrame(1001);
  EXPECT_EQ(store.RecordMotionFrame(frame), RecordResult::kWriteFailed);
  EXPECT_EQ(store.imageCounter(), written + 1);
  ASSERT_TRUE(Remount("rw"));
  ExpectWholeImagesOneTo(store, written + 1);
}

TEST_F(RecordingFilesTest, TwoRecordersStartedInOneSecondLoseNoPicture) {
  // Both run folders are named by the same second: one folder, one set of numbers, and with the
  // clock standing still every picture of both wants the same names.
  std::tm fixed{};
  fixed.tm_year = 103;
  fixed.tm_mon = 0;
  fixed.tm_mday = 17;
  fixed.tm_hour = 14;
  const LocalClock clock = [fixed] { return std::optional(fixed); };
  RecordingMessageBoxes boxesA;
  RecordingMessageBoxes boxesB;
  RecordingStore a(program.string(), "English", clock, JpegFileWriter(boxesA));
  RecordingStore b(program.string(), "English", clock, JpegFileWriter(boxesB));
  ASSERT_TRUE(a.OpenRunFolder());
  ASSERT_TRUE(b.OpenRunFolder());
  ASSERT_EQ(a.runFolder(), b.runFolder());

  constexpr int kEach = 24;
  std::vector<RecordResult> resultsA;
  std::vector<RecordResult> resultsB;
  const auto record = [](RecordingStore& store, std::vector<RecordResult>& results, int seed) {
    for (int i = 0; i < kEach; ++i) {
      auto frame = BusyFrame(seed + i);
      results.push_back(store.RecordMotionFrame(frame));
    }
  };
  std::thread other(record, std::ref(b), std::ref(resultsB), 5000);
  record(a, resultsA, 0);
  other.join();

  for (const auto& results : {resultsA, resultsB}) {
    for (RecordResult r : results) EXPECT_EQ(r, RecordResult::kRecorded);
  }
  ExpectWholeImagesOneTo(a, 2 * kEach);
  EXPECT_TRUE(boxesA.boxes.empty());
  EXPECT_TRUE(boxesB.boxes.empty());
}

TEST_F(RecordingFilesTest, RecordedPicturesAndTheirFoldersArePrivate) {
  const mode_t oldMask = ::umask(022);
  RecordingStore store = MakeStore();
  ASSERT_TRUE(store.OpenRunFolder());
  auto frame = CameraFrame();
  ASSERT_EQ(store.RecordMotionFrame(frame), RecordResult::kRecorded);
  ::umask(oldMask);
  const auto mode = [](const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
  };
  EXPECT_EQ(mode(store.imageRoot()), 0700u);
  EXPECT_EQ(mode(store.runFolder()), 0700u);
  EXPECT_EQ(mode(store.mailFolder()), 0700u);
  EXPECT_EQ(mode(store.FindImageByCounter(store.runFolder(), 1)), 0600u);
}

}  // namespace
}  // namespace tavo::cctv
