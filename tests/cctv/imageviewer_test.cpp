#include "imageviewer.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>

#include "cctvcontroller.h"
#include "cctvstrings.h"
#include "filehandle.h"
#include "jpegfile.h"
#include "mail_test_folder.h"
#include "recordingstore.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class ViewRecorder final : public ViewerView {
 public:
  bool RenderLarge(const std::uint8_t* frame) override {
    ++largeRenders;
    largeBlue = frame != nullptr ? frame[0] : -1;
    return renderOk;
  }
  bool RenderThumb(int, const std::uint8_t*) override {
    ++thumbRenders;
    return renderOk;
  }
  void SetTimer(int id, int ms) override { timers[id] = ms; }
  void KillTimer(int id) override { timers.erase(id); }
  void RefillFolders() override { ++refills; }
  void ViewerChanged() override {}

  std::map<int, int> timers;
  int largeRenders = 0;
  int thumbRenders = 0;
  int largeBlue = -1;  // first byte of the last large frame; -1 for the placeholder
  int refills = 0;
  bool renderOk = true;
};

// Writes a 320 x 240 (or other size) picture whose blue level is `blue`.
void WritePicture(const std::string& path, int blue, std::uint32_t w = 320, std::uint32_t h = 240) {
  std::vector<std::uint8_t> rgb(std::size_t{w} * h * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = 10;
    rgb[i + 1] = 20;
    rgb[i + 2] = static_cast<std::uint8_t>(blue);
  }
  RecordingMessageBoxes boxes;
  // Some cases put a picture of another size over one already there.
  ASSERT_TRUE(
      JpegFile(boxes).RgbToJpeg(path, 90, rgb.data(), w, h, {.existing = Existing::kReplace}));
}

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest()
      : strings(CctvStrings(), Language::English),
        store(folder.path().string(), "English", SystemLocalClock(), JpegFileWriter(boxes)),
        viewer(view, boxes, strings, store, &dialog) {}

  fs::path Run(const std::string& name) {
    const fs::path run = folder.path() / "CCTV_Image" / name;
    fs::create_directories(run / "EmailSendJpg");
    return run;
  }
  // A run of images 1..count, image n with blue level 10 n.
  fs::path RunOf(const std::string& name, int count) {
    const fs::path run = Run(name);
    for (int n = 1; n <= count; ++n) WritePicture(ImageFile(run, n), 10 * n);
    return run;
  }
  static std::string ImageFile(const fs::path& run, int n, const std::string& stamp = "10h00m00s") {
    char name[64];
    std::snprintf(name, sizeof name, "%s_01-17-03_%06d.jpg", stamp.c_str(), n);
    return (run / name).string();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }
  long Count(const std::string& text) const {
    const auto texts = Texts();
    return std::count(texts.begin(), texts.end(), text);
  }

  testing::MailTestFolder folder;
  RecordingMessageBoxes boxes;
  StringTable strings;
  ScriptedSaveFileDialog dialog;
  RecordingStore store;
  ViewRecorder view;
  ImageViewer viewer;
};

using Slots = std::array<int, kThumbSlots>;

TEST(ViewerNames, NumbersNamesAndCaptions) {
  EXPECT_EQ(ImageNumberOf("/x/10h00m00s_01-17-03_000123.jpg"), 123);
  EXPECT_EQ(ImageNumberOf("a.jpg"), 0);
  EXPECT_EQ(ImageNumberOf("/x/abcdefghij.jpg"), 0);
  EXPECT_TRUE(IsRecordedImageName("030117-14시05분09초_010001.jpg"));
  EXPECT_FALSE(IsRecordedImageName("Thumbs.db"));
  EXPECT_FALSE(IsRecordedImageName("notes_12345.jpg"));
  EXPECT_FALSE(IsRecordedImageName("000001.jpeg"));

  std::tm t{};
  t.tm_year = 103;
  t.tm_mon = 0;
  t.tm_mday = 17;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(CaptionsFor(t, "Korean").date, "03년 01월 17일");
  EXPECT_EQ(CaptionsFor(t, "Korean").time, "14시 05분 09초");
  EXPECT_EQ(CaptionsFor(t, "Japanese").date, "03 - 01 - 17");
  EXPECT_EQ(CaptionsFor(t, "Japanese").time, "14h 05m 09s");
  EXPECT_EQ(CaptionsFor(t, "English").date, "01-17-03");
  EXPECT_EQ(CaptionsFor(t, "").time, "14:05:09");
}

TEST_F(ViewerTest, LoadsFramesInCameraLayoutAndRefusesOtherSizes) {
  // Top half red, bottom half blue: the frame's first row is the picture's bottom row.
  std::vector<std::uint8_t> rgb(kFrameBytes);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    const bool top = i < kFrameBytes / 2;
    rgb[i] = top ? 255 : 0;
    rgb[i + 2] = top ? 0 : 255;
  }
  const std::string path = (folder.path() / "p_000001.jpg").string();
  ASSERT_TRUE(JpegFile(boxes).RgbToJpeg(path, 95, rgb.data(), 320, 240));
  const auto frame = LoadViewerImage(boxes, path);
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->size(), kFrameBytes);
  EXPECT_GT((*frame)[0], 200);  // blue byte first, bottom row first
  EXPECT_LT((*frame)[2], 60);
  EXPECT_GT((*frame)[kFrameBytes - 1], 200);  // the top row, last: red in byte 2
  EXPECT_LT((*frame)[kFrameBytes - 3], 60);

  WritePicture((folder.path() / "big_000002.jpg").string(), 50, 640, 480);
  WritePicture((folder.path() / "small_000003.jpg").string(), 50, 160, 120);
  EXPECT_FALSE(LoadViewerImage(boxes, (folder.path() / "big_000002.jpg").string()));
  EXPECT_FALSE(LoadViewerImage(boxes, (folder.path() / "small_000003.jpg").string()));
  EXPECT_FALSE(LoadViewerImage(boxes, (folder.path() / "none.jpg").string()));
}

TEST_F(ViewerTest, WalksTenImagesWithCounterAndThumb) {
  RunOf("run", 10);
  viewer.ShowFolder("run");
  EXPECT_EQ(viewer.largeNumber(), 1);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 4}));
  EXPECT_EQ(viewer.CounterText(), "1 / 10");
  EXPECT_EQ(viewer.thumbX(), 45);
  EXPECT_EQ(viewer.imageTotal(), 10);
  EXPECT_FALSE(viewer.captions().date.empty());

  viewer.Previous();  // at the first image: nothing
  EXPECT_EQ(viewer.currentNumber(), 1);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 4}));

  viewer.Next();
  EXPECT_EQ(viewer.slotNumbers(), (Slots{2, 3, 4, 5}));
  EXPECT_EQ(viewer.largeNumber(), 2);
  EXPECT_EQ(viewer.CounterText(), "2 / 10");
  EXPECT_EQ(viewer.thumbX(), 71);

  for (int i = 0; i < 8; ++i) viewer.Next();
  EXPECT_EQ(viewer.slotNumbers(), (Slots{10, 0, 0, 0}));
  EXPECT_EQ(viewer.thumbX(), 287);
  viewer.Next();  // the last image stays
  EXPECT_EQ(viewer.largeNumber(), 10);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{10, 0, 0, 0}));
  EXPECT_EQ(viewer.CounterText(), "10 / 10");

  viewer.Previous();
  EXPECT_EQ(viewer.slotNumbers(), (Slots{9, 10, 0, 0}));
  EXPECT_EQ(viewer.CounterText(), "9 / 10");
  EXPECT_EQ(viewer.thumbX(), 260);  // trunc(242 / 9 * 8) + 45

  viewer.PressThumb(1);
  EXPECT_EQ(viewer.largeNumber(), 10);
  EXPECT_EQ(viewer.shownNumber(), 10);
  EXPECT_EQ(viewer.currentNumber(), 9);
  EXPECT_EQ(viewer.CounterText(), "10 / 10");
  viewer.PressThumb(3);  // no image there
  EXPECT_EQ(viewer.shownNumber(), 10);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewerTest, ShortAndEmptyRunsShowThePlaceholder) {
  RunOf("two", 2);
  viewer.ShowFolder("two");
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 0, 0}));
  EXPECT_EQ(viewer.CounterText(), "1 / 2");

  const fs::path empty = Run("empty");
  std::ofstream(empty / "notes.txt") << "not an image";
  viewer.ShowFolder("empty");
  EXPECT_EQ(viewer.imageTotal(), 0);  // only image files count
  EXPECT_EQ(viewer.largeNumber(), 0);
  EXPECT_EQ(view.largeBlue, -1);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{0, 0, 0, 0}));
  EXPECT_EQ(viewer.CounterText(), "0 / 0");
  EXPECT_TRUE(viewer.captions().date.empty());
  EXPECT_TRUE(viewer.captions().time.empty());
  viewer.Next();
  viewer.Previous();
  viewer.TrackRelease(200);
  EXPECT_EQ(viewer.largeNumber(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewerTest, OpensInRecordingOrderAcrossMidnight) {
  const fs::path run = Run("23h59m58s_01-17-03");
  WritePicture(ImageFile(run, 1, "23h59m58s"), 10);
  WritePicture(ImageFile(run, 2, "23h59m59s"), 20);
  WritePicture(ImageFile(run, 3, "00h00m00s"), 30);  // first in name order
  viewer.ShowFolder("23h59m58s_01-17-03");
  EXPECT_EQ(viewer.firstNumber(), 1);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 0}));
  EXPECT_NEAR(view.largeBlue, 10, 4);
}

TEST_F(ViewerTest, ListingARunSweepsDeadWritersFilesAndNeverCountsAWritersOwn) {
  const fs::path run = RunOf("run", 2);
  const auto temporary = [](const fs::path& path) {
    return UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  };
  // A writer killed before its rename (its lock went with it), and one still at work.
  const fs::path dead = run / "10h00m00s_01-17-03_000003.jpg.qq0a1b";
  const fs::path deadComposite = run / "EmailSendJpg" / "Email16to1_00001.jpg.aaaaaa";
  ASSERT_TRUE(temporary(dead).valid());
  ASSERT_TRUE(temporary(deadComposite).valid());
  const fs::path busy = run / "10h00m00s_01-17-03_000004.jpg.bb2c3d";
  const UniqueFd busyFd = temporary(busy);
  ASSERT_EQ(::flock(busyFd.get(), LOCK_EX), 0);

  viewer.ShowFolder("run");
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_FALSE(fs::exists(deadComposite));
  EXPECT_TRUE(fs::exists(busy));
  EXPECT_EQ(viewer.imageTotal(), 2);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 0, 0}));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewerTest, UnreadableImagesAreReportedOnceAndSkipped) {
  const fs::path run = RunOf("run", 6);
  std::ofstream(ImageFile(run, 2), std::ios::trunc) << "garbage";
  WritePicture(ImageFile(run, 3), 30, 640, 480);  // another size: unreadable
  viewer.ShowFolder("run");
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 4, 5, 6}));
  EXPECT_EQ(viewer.imageTotal(), 6);
  EXPECT_EQ(Count("It is failed to read the images to transfer"), 1);
  boxes.boxes.clear();
  viewer.Next();  // silently skips 2 and 3
  EXPECT_EQ(viewer.slotNumbers(), (Slots{4, 5, 6, 0}));
  EXPECT_EQ(Count("It is failed to read the images to transfer"), 0);

  // A run of damaged files: one box of the JPEG layer and one of the viewer, not one per file.
  const fs::path broken = Run("broken");
  for (int n = 1; n <= 50; ++n) std::ofstream(ImageFile(broken, n)) << "garbage";
  boxes.boxes.clear();
  viewer.ShowFolder("broken");
  EXPECT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(Count("It is failed to read the images to transfer"), 1);
  EXPECT_EQ(viewer.CounterText(), "0 / 0");
}

TEST_F(ViewerTest, ADamagedFileIsToldOncePerOpeningNotAtEveryStep) {
  const fs::path run = RunOf("run", 8);
  std::ofstream(ImageFile(run, 6), std::ios::trunc) << "garbage";
  viewer.ShowFolder("run");
  EXPECT_TRUE(boxes.boxes.empty());  // 6 is not in the first strip
  // Steps that keep the damaged file in the strip: its box comes once.
  viewer.Next();
  EXPECT_EQ(viewer.slotNumbers(), (Slots{2, 3, 4, 5}));
  viewer.Next();
  EXPECT_EQ(viewer.slotNumbers(), (Slots{3, 4, 5, 7}));
  const std::size_t told = boxes.boxes.size();
  EXPECT_EQ(told, 1u);
  viewer.Next();
  viewer.Previous();
  viewer.ToggleSlideshow();
  for (int tick = 0; tick < 6; ++tick) viewer.SlideshowTick();
  EXPECT_EQ(boxes.boxes.size(), told);
  // Opening the run again tells it again, once.
  viewer.ShowFolder("run");
  viewer.Next();
  viewer.Next();
  viewer.Next();
  EXPECT_EQ(boxes.boxes.size(), told + 1);
}

TEST_F(ViewerTest, OpeningALongRunDecodesOnlyWhatItShows) {
  // Images 5 on are not JPEG at all: decoding any of them would show a box.
  const fs::path run = RunOf("long", 4);
  for (int n = 5; n <= 300; ++n) std::ofstream(ImageFile(run, n)) << "x";
  viewer.ShowFolder("long");
  EXPECT_EQ(viewer.imageTotal(), 300);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 4}));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(view.largeRenders, 1);
  EXPECT_EQ(view.thumbRenders, 4);
}

TEST_F(ViewerTest, FoldersThatCannotBeListed) {
  viewer.ShowFolder("gone");
  EXPECT_EQ(view.refills, 1);
  EXPECT_EQ(viewer.CounterText(), "0 / 0");
  EXPECT_EQ(viewer.largeNumber(), 0);
  // The root itself missing asks nothing (the rebuilt list would ask again for ever).
  viewer.ShowFolder("");
  EXPECT_EQ(view.refills, 1);
  // A name beyond the path limits is refused like a missing folder.
  viewer.ShowFolder(std::string(300, 'a'));
  EXPECT_EQ(view.refills, 2);
}

TEST_F(ViewerTest, TrackJumpsOnReleaseAndOnMovesInLongRuns) {
  RunOf("run", 10);
  viewer.ShowFolder("run");
  viewer.TrackRelease(166);
  EXPECT_EQ(viewer.currentNumber(), 5);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{5, 6, 7, 8}));
  EXPECT_EQ(viewer.CounterText(), "5 / 10");
  EXPECT_EQ(viewer.thumbX(), 166);
  viewer.TrackMove(400);  // clamped to the end
  EXPECT_EQ(viewer.thumbX(), 287);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{10, 0, 0, 0}));
  viewer.TrackPress(0);  // i = 0 is skipped: the strip starts at 1
  EXPECT_EQ(viewer.thumbX(), 45);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 4}));

  RunOf("four", 4);
  viewer.ShowFolder("four");
  viewer.TrackMove(287);  // four images: moves only place the thumb
  EXPECT_EQ(viewer.slotNumbers(), (Slots{1, 2, 3, 4}));
  viewer.TrackRelease(287);
  EXPECT_EQ(viewer.slotNumbers(), (Slots{4, 0, 0, 0}));
}

TEST_F(ViewerTest, TrackJumpRoundsToTheNearestImage) {
  RunOf("run", 10);
  viewer.ShowFolder("run");
  // Ten images over 242 pixels: x = 153 is 4.46 images along, x = 160 is 4.75.
  for (const auto& [x, image] : {std::pair{153, 4}, std::pair{160, 5}}) {
    viewer.TrackRelease(x);
    EXPECT_EQ(viewer.currentNumber(), image) << x;
    EXPECT_EQ(viewer.largeNumber(), image) << x;
    EXPECT_EQ(viewer.CounterText(), std::to_string(image) + " / 10") << x;
  }
}

TEST_F(ViewerTest, SpeedLimits) {
  for (int i = 0; i < 9; ++i) viewer.Slower();
  EXPECT_EQ(viewer.slidePeriod(), 700);
  EXPECT_EQ(viewer.SpeedText(), "1");
  viewer.Slower();
  EXPECT_EQ(viewer.slidePeriod(), 700);
  EXPECT_EQ(viewer.speedLevel(), 1);
  for (int i = 0; i < 14; ++i) viewer.Faster();
  EXPECT_EQ(viewer.slidePeriod(), 0);
  EXPECT_EQ(viewer.speedLevel(), 15);
  viewer.Faster();
  EXPECT_EQ(viewer.slidePeriod(), 0);
  EXPECT_EQ(viewer.speedLevel(), 15);
  EXPECT_TRUE(view.timers.empty());  // not playing: no timer
}

TEST_F(ViewerTest, SlideshowPlaysToTheEndAndStops) {
  RunOf("run", 6);
  viewer.ShowFolder("run");
  viewer.Next();
  viewer.ToggleSlideshow();
  EXPECT_TRUE(viewer.slideshowOn());
  EXPECT_EQ(view.timers.at(kSlideshowTimer), 250);
  EXPECT_EQ(viewer.currentNumber(), 0);
  viewer.Faster();
  EXPECT_EQ(view.timers.at(kSlideshowTimer), 200);  // restarted with the new period
  std::vector<int> shown;
  std::vector<int> thumbs;
  for (int i = 0; i < 10 && viewer.slideshowOn(); ++i) {
    viewer.SlideshowTick();
    if (viewer.slideshowOn()) {
      shown.push_back(viewer.largeNumber());
      thumbs.push_back(viewer.thumbX());
    }
  }
  EXPECT_THAT(shown, ElementsAre(1, 2, 3, 4, 5, 6));
  EXPECT_THAT(thumbs, ElementsAre(45, 93, 141, 190, 238, 287));
  EXPECT_FALSE(viewer.slideshowOn());
  EXPECT_FALSE(view.timers.contains(kSlideshowTimer));

  // A run whose count runs ahead of its readable numbers ends rather than ticking in place.
  const fs::path odd = RunOf("odd", 2);
  WritePicture(ImageFile(odd, 50), 40);
  viewer.ShowFolder("odd");
  viewer.ToggleSlideshow();
  for (int i = 0; i < 5; ++i) viewer.SlideshowTick();
  EXPECT_FALSE(viewer.slideshowOn());
  viewer.ToggleSlideshow();
  viewer.ToggleSlideshow();  // play, then stop
  EXPECT_FALSE(viewer.slideshowOn());
  EXPECT_FALSE(view.timers.contains(kSlideshowTimer));
}

TEST_F(ViewerTest, SavesCopiesUnderNumberedDefaultNames) {
  RunOf("run", 3);
  viewer.ShowFolder("run");
  viewer.ShowImageAt(2);
  const std::string save = folder.path().string() + "/SaveJpg/SaveJpg";
  dialog.answer = (folder.path() / "copy1.jpg").string();
  viewer.SaveShownImage();
  dialog.answer = (folder.path() / "copy2.jpg").string();
  viewer.SaveShownImage();
  dialog.answer.clear();  // cancelled
  viewer.SaveShownImage();
  dialog.answer = (folder.path() / "copy3.jpg").string();
  viewer.SaveShownImage();
  ASSERT_EQ(dialog.requests.size(), 4u);
  EXPECT_EQ(dialog.requests[0].defaultName, save + "1.jpg");
  EXPECT_EQ(dialog.requests[1].defaultName, save + "2.jpg");
  EXPECT_EQ(dialog.requests[2].defaultName, save + "3.jpg");
  EXPECT_EQ(dialog.requests[3].defaultName, save + "3.jpg");
  EXPECT_EQ(dialog.requests[0].filter, "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|");
  EXPECT_TRUE(dialog.requests[0].promptOverwrite);
  EXPECT_TRUE(fs::is_directory(folder.path() / "SaveJpg"));
  EXPECT_EQ(viewer.saveCounter(), 3);

  // The copy is the picture shown, re-encoded at 320 x 240.
  std::uint32_t w = 0, h = 0;
  auto rgb = JpegFile(boxes).JpegToRgb((folder.path() / "copy1.jpg").string(), w, h);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  EXPECT_NEAR(rgb[2], 20, 6);  // image 2's blue
  EXPECT_NEAR(rgb[0], 10, 6);
}

TEST_F(ViewerTest, ASavedCopyReplacesTheChosenFileInTheUsersMode) {
  RunOf("run", 2);
  viewer.ShowFolder("run");
  const fs::path copy = folder.path() / "copy.jpg";
  std::ofstream(copy) << "the file the user agreed to overwrite";
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
  dialog.answer = copy.string();
  const mode_t oldMask = ::umask(022);
  viewer.SaveShownImage();
  ::umask(oldMask);
  EXPECT_EQ(viewer.saveCounter(), 1);
  std::uint32_t w = 0, h = 0;
  EXPECT_TRUE(JpegFile(boxes).JpegToRgb(copy.string(), w, h));
  EXPECT_EQ(w, 320u);
  // Like any file the user saves: 0666 less the umask.
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewerTest, AFailedSaveSaysSoAndGivesTheNumberBack) {
  RunOf("run", 3);
  viewer.ShowFolder("run");
  dialog.answer = (folder.path() / "copy1.jpg").string();
  viewer.SaveShownImage();
  ASSERT_EQ(viewer.saveCounter(), 1);
  dialog.answer = (folder.path() / "no-such-folder" / "copy.jpg").string();
  viewer.SaveShownImage();
  EXPECT_EQ(Texts().back(), "Snapshot saving failure");
  EXPECT_EQ(viewer.saveCounter(), 1);
}

TEST_F(ViewerTest, NothingToSaveAndRendererFailures) {
  viewer.ShowFolder("");
  viewer.SaveShownImage();
  EXPECT_EQ(Texts().back(), "There's no data to save or error occurred");
  EXPECT_TRUE(dialog.requests.empty());

  RunOf("run", 2);
  view.renderOk = false;
  boxes.boxes.clear();
  viewer.ShowFolder("run");
  EXPECT_FALSE(boxes.boxes.empty());
  EXPECT_EQ(Texts().front(), "Output render failure");
}

}  // namespace
}  // namespace tavo::cctv
