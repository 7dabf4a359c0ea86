#include "recordingstore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "logged_file_calls.h"
#include "motiondetector.h"
#include "test_folder.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(TimeStamp, ThreeLanguages) {
  const std::tm t = At(2003, 1, 17, 14, 5, 9);
  EXPECT_EQ(MakeTimeStamp(t, "Korean"), "030117-14시05분09초");
  EXPECT_EQ(MakeTimeStamp(t, "Japanese"), "03-01-17_14h05m09s");
  EXPECT_EQ(MakeTimeStamp(t, "English"), "14h05m09s_01-17-03");
  EXPECT_EQ(MakeTimeStamp(t, "Klingon"), "14h05m09s_01-17-03");
  EXPECT_EQ(MakeTimeStamp(t, "korean"), "14h05m09s_01-17-03");  // compared byte for byte

  const std::tm m = At(2004, 3, 9, 0, 5, 0);
  EXPECT_EQ(MakeTimeStamp(m, "English"), "00h05m00s_03-09-04");
  EXPECT_EQ(MakeTimeStamp(m, "Japanese"), "04-03-09_00h05m00s");
  // The three Korean marks are the UTF-8 characters, three bytes each.
  EXPECT_EQ(MakeTimeStamp(m, "Korean"),
            "040309-00\xEC\x8B\x9C"
            "05\xEB\xB6\x84"
            "00\xEC\xB4\x88");
}

TEST(ProgramFolder, RootBecomesEmptySoJoinsNeverDoubleTheSeparator) {
  EXPECT_EQ(ProgramFolderFrom("/"), "");
  EXPECT_EQ(ProgramFolderFrom("/home/tavo"), "/home/tavo");
  EXPECT_EQ(ProgramFolderFrom("/home/tavo/"), "/home/tavo");
  RecordingStore root("/", "English", {}, {});
  EXPECT_EQ(root.programFolder(), "");
  EXPECT_EQ(root.imageRoot(), "/CCTV_Image/");
  RecordingStore home("/home/tavo", "English", {}, {});
  EXPECT_EQ(home.imageRoot(), "/home/tavo/CCTV_Image/");
  std::string current;
  ASSERT_TRUE(CurrentProgramFolder(current));
  EXPECT_EQ(current, ProgramFolderFrom(fs::current_path().string()));
}

TEST(PathLimits, LongPathsAndNamesAreRefused) {
  EXPECT_TRUE(PathWithinLimits("/a/b.jpg"));
  EXPECT_TRUE(PathWithinLimits("/" + std::string(255, 'n')));
  EXPECT_FALSE(PathWithinLimits("/" + std::string(256, 'n')));
  std::string deep;
  while (deep.size() + 101 <= kMaxPathBytes) deep += "/" + std::string(100, 'd');
  deep += '/';
  deep.append(kMaxPathBytes - deep.size(), 'f');
  ASSERT_EQ(deep.size(), kMaxPathBytes);
  EXPECT_TRUE(PathWithinLimits(deep));
  EXPECT_FALSE(PathWithinLimits(deep + "x"));
  EXPECT_FALSE(PathWithinLimits(std::string("/a\0b", 4)));
}

// A store over a temporary program folder, with a clock the test sets and a writer that records
// what it was given and can be told to fail.
class RecordingStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program = tavo::testing::EmptyFolderForTest("recstore_");
    store = std::make_unique<RecordingStore>(program.string(), "English", Clock(), Writer());
    store->SetPictureSign([this] { ++signs; });
    store->SetAlertHook([this] { return alertsOn; },
                        [this](const AlertBatch& b) { batches.push_back(b); });
  }
  void TearDown() override { fs::remove_all(program); }

  LocalClock Clock() {
    return [this]() -> std::optional<std::tm> {
      if (clockFails) return std::nullopt;
      return now;
    };
  }
  JpegWriter Writer() {
    return [this](const std::string& path, int quality, const std::uint8_t* rgb, std::uint32_t w,
                  std::uint32_t h, const WriteOptions& options) {
      ++writes;
      if (beforeWrite) beforeWrite(path);
      if (failWrites) return WriteResult::kFailed;
      if (namesTaken) return WriteResult::kNameTaken;
      // As the real writer: a held name is refused unless a replacing copy is asked for.
      if (options.existing == Existing::kRefuse && fs::exists(path)) return WriteResult::kNameTaken;
      lastPath = path;
      lastQuality = quality;
      lastSize = {int(w), int(h)};
      lastPicture.assign(rgb, rgb + std::size_t(w) * h * 3);
      std::ofstream(path) << "jpeg";
      return WriteResult::kWritten;
    };
  }
  void Tick(int seconds = 1) {
    now.tm_sec += seconds;
    std::mktime(&now);  // normalises the fields
  }
  std::vector<std::uint8_t> Frame() const { return std::vector<std::uint8_t>(kFrameBytes, 40); }
  RecordResult Record() {
    auto f = Frame();
    return store->RecordMotionFrame(f);
  }
  std::size_t ImagesIn(const std::string& folder) const {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == ".jpg";
    return n;
  }

  fs::path program;
  std::tm now = At(2003, 1, 17, 14, 5, 9);
  bool clockFails = false;
  bool failWrites = false;
  bool namesTaken = false;  // as if another recorder held every name
  std::function<void(const std::string& path)> beforeWrite;
  bool alertsOn = false;
  int writes = 0;
  int signs = 0;
  std::string lastPath;
  int lastQuality = 0;
  std::pair<int, int> lastSize;
  std::vector<std::uint8_t> lastPicture;
  std::vector<AlertBatch> batches;
  std::unique_ptr<RecordingStore> store;
};

TEST_F(RecordingStoreTest, OpeningARunCreatesItsFoldersAndTheFirstImageIsNumberOne) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string run = program.string() + "/CCTV_Image/14h05m09s_01-17-03";
  EXPECT_EQ(store->runFolder(), run);
  EXPECT_EQ(store->mailFolder(), run + "/EmailSendJpg");
  EXPECT_TRUE(fs::is_directory(store->mailFolder()));
  EXPECT_EQ(store->CompositePath(1), run + "/EmailSendJpg/Email16to1_00001.jpg");

  Tick(3);
  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, run + "/14h05m12s_01-17-03_000001.jpg");
  EXPECT_TRUE(fs::is_regular_file(lastPath));
  EXPECT_EQ(lastQuality, 75);
  EXPECT_EQ(lastSize, (std::pair{320, 240}));
  EXPECT_EQ(store->imageCounter(), 1);
  EXPECT_EQ(store->batchCounter(), 1);
  EXPECT_EQ(signs, 1);
  EXPECT_EQ(store->FindImageByCounter(run, 1), lastPath);
}

TEST_F(RecordingStoreTest, KoreanRunLiesUnderTheKoreanStamp) {
  RecordingStore korean(program.string(), "Korean", Clock(), Writer());
  ASSERT_TRUE(korean.OpenRunFolder());
  EXPECT_EQ(korean.runFolder(), program.string() + "/CCTV_Image/030117-14시05분09초");
  auto f = Frame();
  ASSERT_EQ(korean.RecordMotionFrame(f), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, korean.runFolder() + "/030117-14시05분09초_000001.jpg");
  EXPECT_TRUE(fs::exists(fs::u8path(lastPath)));
}

TEST_F(RecordingStoreTest, FrameIsTurnedTopDownAndRedGreenBlue) {
  // Camera frame: rows bottom-up, bytes blue, green, red. Give every pixel its own bytes.
  std::vector<std::uint8_t> frame(kFrameBytes);
  for (std::size_t i = 0; i < kFrameBytes; ++i) frame[i] = std::uint8_t(i * 7 + i / 960);
  const auto camera = frame;
  ASSERT_TRUE(store->OpenRunFolder());
  ASSERT_TRUE(store->SaveMotionFrame(frame, store->ImagePath("x", 1)));
  ASSERT_EQ(lastPicture.size(), kFrameBytes);
  for (int row = 0; row < kFrameHeight; ++row) {
    for (int column = 0; column < kFrameWidth; ++column) {
      const std::size_t out = (std::size_t(row) * kFrameWidth + column) * 3;
      const std::size_t in = (std::size_t(kFrameHeight - 1 - row) * kFrameWidth + column) * 3;
      ASSERT_EQ(lastPicture[out], camera[in + 2]) << row << "," << column;
      ASSERT_EQ(lastPicture[out + 1], camera[in + 1]);
      ASSERT_EQ(lastPicture[out + 2], camera[in]);
    }
  }
  EXPECT_EQ(frame, lastPicture);  // worked in place

  std::vector<std::uint8_t> small(kFrameBytes - 3);
  EXPECT_FALSE(store->SaveMotionFrame(small, store->ImagePath("x", 2)));
  EXPECT_EQ(writes, 1);
}

TEST_F(RecordingStoreTest, BatchesOfSixteenAlertOnlyWhileAlertsAreOn) {
  ASSERT_TRUE(store->OpenRunFolder());
  alertsOn = true;
  for (int i = 1; i <= 32; ++i) {
    Tick();
    ASSERT_EQ(Record(), RecordResult::kRecorded);
    EXPECT_EQ(store->batchCounter(), i % 16);
  }
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(batches[0].firstImage, 1);
  EXPECT_EQ(batches[0].lastImage, 16);
  EXPECT_EQ(batches[1].firstImage, 17);
  EXPECT_EQ(batches[1].lastImage, 32);
  EXPECT_EQ(batches[1].stamp, "14h05m41s_01-17-03");  // the stamp of image 32
  EXPECT_EQ(batches[1].subject, "TavoCCTV 14h05m41s_01-17-03");
  EXPECT_EQ(batches[1].runFolder, store->runFolder());
  EXPECT_EQ(batches[1].mailFolder, store->mailFolder());
  // The hook finds every image of its batch.
  for (int n = batches[1].firstImage; n <= batches[1].lastImage; ++n)
    EXPECT_NE(store->FindImageByCounter(store->runFolder(), n), "") << n;

  // Alerts off: the batches still pass, without a mail; switched on mid-batch, the next
  // multiple of 16 mails.
  alertsOn = false;
  for (int i = 33; i <= 52; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(batches.size(), 2u);
  alertsOn = true;
  for (int i = 53; i <= 64; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  ASSERT_EQ(batches.size(), 3u);
  EXPECT_EQ(batches[2].firstImage, 49);
  EXPECT_EQ(signs, 64);
}

TEST_F(RecordingStoreTest, ANewRunStartsEveryCounterAgain) {
  ASSERT_TRUE(store->OpenRunFolder());
  for (int i = 0; i < 17; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  store->CompositeWritten();
  Tick();
  ASSERT_TRUE(store->OpenRunFolder());
  EXPECT_EQ(store->imageCounter(), 0);
  EXPECT_EQ(store->batchCounter(), 0);
  EXPECT_EQ(store->compositeCounter(), 0);
}

TEST_F(RecordingStoreTest, RestartWithinTheSameSecondGoesOnNumbering) {
  ASSERT_TRUE(store->OpenRunFolder());
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  std::ofstream(store->CompositePath(1)) << "c";
  store->CompositeWritten();
  const std::string run = store->runFolder();
  const auto firstImage = fs::last_write_time(store->FindImageByCounter(run, 1));

  ASSERT_TRUE(store->OpenRunFolder());  // the clock has not moved
  EXPECT_EQ(store->runFolder(), run);
  EXPECT_EQ(store->imageCounter(), 3);
  EXPECT_EQ(store->compositeCounter(), 1);
  EXPECT_EQ(store->batchCounter(), 0);
  ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, run + "/14h05m09s_01-17-03_000004.jpg");
  EXPECT_EQ(ImagesIn(run), 4u);
  EXPECT_EQ(fs::last_write_time(store->FindImageByCounter(run, 1)), firstImage);
  EXPECT_EQ(store->CompositePath(store->compositeCounter() + 1),
            store->mailFolder() + "/Email16to1_00002.jpg");
}

TEST_F(RecordingStoreTest, ImageTenThousandLeavesTheRunOpenAndTenThousandAndOneClosesIt) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string first = store->runFolder();
  // Stand in for 9,999 earlier images: the store goes on after the highest number it finds.
  std::ofstream(first + "/14h05m09s_01-17-03_009999.jpg") << "x";
  ASSERT_TRUE(store->OpenRunFolder());
  ASSERT_EQ(store->imageCounter(), 9999);

  Tick();
  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, first + "/14h05m10s_01-17-03_010000.jpg");
  EXPECT_EQ(store->runFolder(), first);
  EXPECT_EQ(store->imageCounter(), 10000);

  Tick();
  EXPECT_EQ(Record(), RecordResult::kRecordedNewRun);
  EXPECT_EQ(lastPath, first + "/14h05m11s_01-17-03_010001.jpg");
  EXPECT_EQ(store->FindImageByCounter(first, 10001), lastPath);
  EXPECT_EQ(store->runFolder(), program.string() + "/CCTV_Image/14h05m11s_01-17-03");
  EXPECT_EQ(store->imageCounter(), 0);
}

TEST_F(RecordingStoreTest, ImageTenThousandAndOneIsWrittenThenANewRunBegins) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string first = store->runFolder();
  // Stand in for 10,000 earlier images: the store goes on after the highest number it finds.
  std::ofstream(first + "/14h05m09s_01-17-03_010000.jpg") << "x";
  ASSERT_TRUE(store->OpenRunFolder());
  ASSERT_EQ(store->imageCounter(), 10000);

  Tick();
  EXPECT_EQ(Record(), RecordResult::kRecordedNewRun);
  EXPECT_EQ(lastPath, first + "/14h05m10s_01-17-03_010001.jpg");
  EXPECT_TRUE(fs::exists(lastPath));
  EXPECT_EQ(signs, 1);  // shown before the new run begins
  EXPECT_NE(store->runFolder(), first);
  EXPECT_EQ(store->imageCounter(), 0);
  EXPECT_TRUE(fs::is_directory(store->mailFolder()));

  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, store->runFolder() + "/14h05m10s_01-17-03_000001.jpg");
}

TEST_F(RecordingStoreTest, FramesRecordedBeneathAnAlertNumberOnAndTheLastImageStillEndsItsRun) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string first = store->runFolder();
  // Stand in for 9,985 earlier images: the batch of images 9986 to 10001 ends with the run.
  std::ofstream(first + "/14h05m09s_01-17-03_009985.jpg") << "x";
  ASSERT_TRUE(store->OpenRunFolder());
  alertsOn = true;
  // The alert's box lets frames be recorded beneath it, each with its own alert at its batch.
  std::vector<RecordResult> beneath;
  store->SetAlertHook([this] { return alertsOn; },
                      [&](const AlertBatch& b) {
                        batches.push_back(b);
                        if (batches.size() > 1) return;
                        Tick();
                        for (int i = 0; i < 17; ++i) beneath.push_back(Record());
                      });
  for (int i = 0; i < 15; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(Record(), RecordResult::kRecorded);  // 10001: its run was left beneath its box

  // The first frame beneath the box left the full run; the rest went on in the next one.
  ASSERT_EQ(beneath.size(), 17u);
  EXPECT_EQ(beneath[0], RecordResult::kRecordedNewRun);
  for (std::size_t i = 1; i < beneath.size(); ++i) EXPECT_EQ(beneath[i], RecordResult::kRecorded);
  EXPECT_NE(store->runFolder(), first);
  EXPECT_EQ(store->imageCounter(), 17);
  EXPECT_EQ(store->batchCounter(), 1);
  EXPECT_EQ(store->FindImageByCounter(first, 10002), "");
  EXPECT_EQ(ImagesIn(first), 17u);  // the stand-in and 9986 to 10001
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(batches[0].lastImage, 10001);
  EXPECT_EQ(batches[0].runFolder, first);
  EXPECT_EQ(batches[1].firstImage, 1);
  EXPECT_EQ(batches[1].runFolder, store->runFolder());
  EXPECT_EQ(signs, 33);
}

TEST_F(RecordingStoreTest, ARunStartedBeneathAnAlertIsNotRolledOverByIt) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string first = store->runFolder();
  std::ofstream(first + "/14h05m09s_01-17-03_009985.jpg") << "x";
  ASSERT_TRUE(store->OpenRunFolder());
  alertsOn = true;
  // Beneath the box of image 10001's alert the user stops and starts again: a fresh run.
  store->SetAlertHook([this] { return alertsOn; },
                      [this](const AlertBatch&) {
                        Tick();
                        ASSERT_TRUE(store->OpenRunFolder());
                      });
  for (int i = 0; i < 15; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(store->runFolder(), program.string() + "/CCTV_Image/14h05m10s_01-17-03");
  EXPECT_EQ(store->imageCounter(), 0);
  std::size_t runs = 0;
  for (const auto& e : fs::directory_iterator(program / "CCTV_Image")) runs += e.is_directory();
  EXPECT_EQ(runs, 2u);  // no third run opened behind the user's back
}

TEST_F(RecordingStoreTest, FailedWriteLeavesCountersAndNumbersWithoutGaps) {
  ASSERT_TRUE(store->OpenRunFolder());
  alertsOn = true;
  for (int i = 0; i < 15; ++i) ASSERT_EQ(Record(), RecordResult::kRecorded);

  failWrites = true;
  EXPECT_EQ(Record(), RecordResult::kWriteFailed);
  EXPECT_EQ(store->imageCounter(), 15);
  EXPECT_EQ(store->batchCounter(), 15);
  EXPECT_EQ(signs, 15);
  EXPECT_TRUE(batches.empty());

  failWrites = false;
  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(store->imageCounter(), 16);
  ASSERT_EQ(batches.size(), 1u);
  for (int n = 1; n <= 16; ++n) EXPECT_NE(store->FindImageByCounter(store->runFolder(), n), "");
}

TEST_F(RecordingStoreTest, ARunClosedWithoutAPictureLeavesNoFolderBehind) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string empty = store->runFolder();
  store->CloseRun();
  EXPECT_FALSE(fs::exists(empty));
  EXPECT_FALSE(store->runOpen());
  EXPECT_EQ(Record(), RecordResult::kNoRun);  // a frame asked for before the stop joins nothing

  // Opening the next run closes an empty one too.
  ASSERT_TRUE(store->OpenRunFolder());
  Tick();
  ASSERT_TRUE(store->OpenRunFolder());
  EXPECT_FALSE(fs::exists(empty));
  const std::string next = store->runFolder();

  // A first picture that cannot be written leaves the run empty: it goes at the stop.
  failWrites = true;
  EXPECT_EQ(Record(), RecordResult::kWriteFailed);
  store->CloseRun();
  EXPECT_FALSE(fs::exists(next));

  // A run with a picture stays, open for a late frame; so does one holding anything else.
  failWrites = false;
  Tick();
  ASSERT_TRUE(store->OpenRunFolder());
  ASSERT_EQ(Record(), RecordResult::kRecorded);
  store->CloseRun();
  EXPECT_TRUE(fs::is_directory(store->mailFolder()));
  EXPECT_TRUE(store->runOpen());
  Tick();
  ASSERT_TRUE(store->OpenRunFolder());
  std::ofstream(store->runFolder() + "/notes.txt") << "mine";
  store->CloseRun();
  EXPECT_TRUE(fs::is_directory(store->mailFolder()));
  EXPECT_TRUE(fs::exists(store->runFolder() + "/notes.txt"));
}

TEST_F(RecordingStoreTest, RefusesWhatItCannotDoCleanly) {
  auto f = Frame();
  EXPECT_EQ(store->RecordMotionFrame(f), RecordResult::kNoRun);
  ASSERT_TRUE(store->OpenRunFolder());
  std::vector<std::uint8_t> odd(kFrameBytes + 1);
  EXPECT_EQ(store->RecordMotionFrame(odd), RecordResult::kBadFrame);
  EXPECT_EQ(writes, 0);

  clockFails = true;
  EXPECT_FALSE(store->OpenRunFolder());
  EXPECT_FALSE(store->runOpen());
  EXPECT_EQ(store->RecordMotionFrame(f), RecordResult::kNoRun);

  // A program folder so deep that the run paths pass the limit: refused, nothing created.
  clockFails = false;
  std::string deep = program.string();
  while (deep.size() < kMaxPathBytes - 40) deep += "/" + std::string(200, 'd');
  RecordingStore tooDeep(deep, "English", Clock(), Writer());
  EXPECT_FALSE(tooDeep.OpenRunFolder());
  EXPECT_EQ(tooDeep.RecordMotionFrame(f), RecordResult::kNoRun);
  std::string absurdName = program.string() + "/" + std::string(300, 'n');
  EXPECT_FALSE(store->SaveMotionFrame(f, absurdName));
  EXPECT_EQ(writes, 0);

  // A run folder that cannot be created (a file in the way).
  Tick();
  std::ofstream(store->imageRoot() + "14h05m10s_01-17-03") << "in the way";
  EXPECT_FALSE(store->OpenRunFolder());
}

}  // namespace
}  // namespace tavo::cctv

namespace tavo::cctv {
namespace {

// A file as a writer that died before its rename leaves it: private, of the temporary shape.
void LeaveDeadTemporary(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0) << path;
  ::close(fd);
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST_F(RecordingStoreTest, FoldersAreMadePrivateAndTheirCreationDurable) {
  const mode_t oldMask = ::umask(022);
  testing::LoggedCalls calls;
  RecordingStore logged(program.string(), "English", Clock(), Writer(), calls);
  ASSERT_TRUE(logged.OpenRunFolder());
  const std::string root = program.string() + "/CCTV_Image";
  // Each folder's parent is synced once the folder stands, before anything goes into it.
  EXPECT_EQ(calls.log, (std::vector<std::string>{"mkdir " + root, "syncdir " + program.string(),
                                                 "mkdir " + logged.runFolder(), "syncdir " + root,
                                                 "mkdir " + logged.mailFolder(),
                                                 "syncdir " + logged.runFolder()}));
  EXPECT_EQ(ModeOf(root), 0700u);
  EXPECT_EQ(ModeOf(logged.runFolder()), 0700u);
  EXPECT_EQ(ModeOf(logged.mailFolder()), 0700u);

  // Folders already there are used as they are: nothing made, nothing synced, modes kept.
  auto frame = Frame();
  ASSERT_EQ(logged.RecordMotionFrame(frame), RecordResult::kRecorded);
  ::chmod(root.c_str(), 0755);
  calls.log.clear();
  ASSERT_TRUE(logged.OpenRunFolder());
  EXPECT_EQ(calls.log, (std::vector<std::string>{"mkdir " + logged.runFolder(),
                                                 "mkdir " + logged.mailFolder()}));
  EXPECT_EQ(ModeOf(root), 0755u);
  ::umask(oldMask);
}

TEST_F(RecordingStoreTest, ANameAnotherRecorderTookGivesTheNextFreeNumber) {
  ASSERT_TRUE(store->OpenRunFolder());
  // The other recorder names its picture just before ours.
  beforeWrite = [this](const std::string& path) {
    if (writes == 1) std::ofstream(path) << "theirs";
  };
  EXPECT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(lastPath, store->runFolder() + "/14h05m09s_01-17-03_000002.jpg");
  EXPECT_EQ(store->imageCounter(), 2);
  EXPECT_EQ(ImagesIn(store->runFolder()), 2u);
  beforeWrite = nullptr;

  // Every name refused: a failure after a few tries, nothing counted.
  namesTaken = true;
  writes = 0;
  EXPECT_EQ(Record(), RecordResult::kWriteFailed);
  EXPECT_GT(writes, 1);
  EXPECT_LE(writes, 10);
  EXPECT_EQ(store->imageCounter(), 2);
  EXPECT_EQ(store->batchCounter(), 1);
}

TEST_F(RecordingStoreTest, PicturesAnotherRecorderPutInTheRunAreNumberedPast) {
  ASSERT_TRUE(store->OpenRunFolder());
  ASSERT_EQ(Record(), RecordResult::kRecorded);
  // In another second, so the names differ but the numbers would not.
  const std::string theirs = store->runFolder() + "/14h05m20s_01-17-03_000007.jpg";
  std::ofstream(theirs) << "theirs";
  // Set apart from our last write explicitly: both may fall within one tick of the clock.
  fs::last_write_time(store->runFolder(),
                      fs::last_write_time(store->runFolder()) + std::chrono::seconds(3));
  Tick();
  ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(lastPath, store->runFolder() + "/14h05m10s_01-17-03_000008.jpg");
  // Our own pictures alone do not make the store look again.
  ASSERT_EQ(Record(), RecordResult::kRecorded);
  EXPECT_EQ(store->imageCounter(), 9);
}

TEST_F(RecordingStoreTest, AReopenedRunLosesWhatDeadWritersLeftAndKeepsTheRest) {
  ASSERT_TRUE(store->OpenRunFolder());
  const std::string run = store->runFolder();
  const std::string mail = store->mailFolder();
  LeaveDeadTemporary(run + "/14h05m09s_01-17-03_000001.jpg.ab01cd");
  LeaveDeadTemporary(mail + "/Email16to1_00001.jpg.zz5500");
  std::ofstream(run + "/notes.txt") << "kept";
  ASSERT_TRUE(store->OpenRunFolder());  // the same second: the same folder
  ASSERT_EQ(store->runFolder(), run);
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(run))
    left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"EmailSendJpg", "notes.txt"}));
  EXPECT_EQ(store->imageCounter(), 0);
}

}  // namespace
}  // namespace tavo::cctv
