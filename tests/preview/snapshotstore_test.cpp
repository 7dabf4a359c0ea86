#include "snapshotstore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jpegfile.h"
#include "test_folder.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr StringEntry kTexts[] = {
    {kMsgSnapshotFailure, "", "Snapshot failure", ""},
    {kMsgRenderFailure, "", "Output render failure", ""},
    {kMsgNothingToSave, "", "There's no image data to save", ""},
    {kMsgDeleteNothing, "", "Nothing to delete", ""},
    {kMsgDialogSaveFailure, "", "Dialog saving failure", ""},
    {kMsgViewerSaveFailure, "", "Viewer saving failure", ""},
};

// Snapshot n is one flat colour whose grey level, 95 + 15 n, tells it apart in a grey slot too.
int GreyLevelOf(std::uint32_t n) { return 95 + 15 * static_cast<int>(n); }
QRgb ColourOf(std::uint32_t n) {
  const int g = GreyLevelOf(n);
  return qRgb(g + 30, g - 20, g + 10);
}

// A grabbed frame of snapshot n: blue, green, red, rows bottom-up.
Bytes FrameOf(std::uint32_t n, int width = 320, int height = 240) {
  Bytes bgr(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < bgr.size(); i += 3) {
    bgr[i] = static_cast<std::uint8_t>(qBlue(ColourOf(n)));
    bgr[i + 1] = static_cast<std::uint8_t>(qGreen(ColourOf(n)));
    bgr[i + 2] = static_cast<std::uint8_t>(qRed(ColourOf(n)));
  }
  return bgr;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SnapshotStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::create_directory(temp_)); }
  void TearDown() override { fs::remove_all(program_); }

  void Take(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
      const Bytes frame = FrameOf(store_.lastNumber() + 1);
      ASSERT_TRUE(store_.StoreGrabbedFrame(frame.data(), frame.size()));
    }
  }

  // The strip as text: each slot's snapshot number, the selected (colour) one in brackets, a
  // placeholder as "-". Read from the middle of each slot.
  std::string StripText() {
    const QImage& strip = store_.Strip();
    std::string text;
    for (int slot = 0; slot < 4; ++slot) {
      if (!text.empty()) text += ' ';
      if (strip.pixel(80 * slot + 2, 2) == qRgb(82, 82, 82)) {
        text += '-';
        continue;
      }
      const QRgb p = strip.pixel(80 * slot + 40, 30);
      const bool grey = qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
      const double level = 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
      const long n = std::lround((level - GreyLevelOf(0)) / 15.0);
      text += grey ? std::to_string(n) : "[" + std::to_string(n) + "]";
    }
    return text;
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes_.boxes) texts.push_back(box.text);
    return texts;
  }

  const fs::path program_ = testing::EmptyFolderForTest("snapshots_");
  const fs::path temp_ = program_ / "Temp";
  RecordingMessageBoxes boxes_;
  StringTable strings_{kTexts, Language::English};
  ScriptedSaveFileDialog saveDialog_;
  SnapshotStore store_{temp_, boxes_, strings_, saveDialog_};
};

TEST_F(SnapshotStoreTest, NumbersStartAtOneAndAreNeverGivenOutAgain) {
  const Bytes first = FrameOf(1);
  const Bytes kept = first;
  ASSERT_TRUE(store_.StoreGrabbedFrame(first.data(), first.size()));
  EXPECT_EQ(first, kept);
  EXPECT_EQ(store_.PathOf(1), (temp_ / "SnapShot1.jpg").string());
  Take(2);
  store_.Select(2);
  ASSERT_TRUE(store_.DeleteSelected());
  Take(1);
  EXPECT_THAT(store_.numbers(), ElementsAre(1, 3, 4));
  EXPECT_EQ(store_.snapshotCount(), 3u);
  EXPECT_EQ(store_.lastNumber(), 4u);
  EXPECT_EQ(store_.selectedNumber(), 4u);
  EXPECT_EQ(store_.stripEnd(), 4u);
  EXPECT_FALSE(fs::exists(store_.PathOf(2)));
  EXPECT_TRUE(fs::exists(store_.PathOf(4)));
  EXPECT_EQ(fs::status(store_.PathOf(4)).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_THAT(boxes_.boxes, IsEmpty());
}

TEST_F(SnapshotStoreTest, FilesHoldTheFrameUprightInRedGreenBlue) {
  store_.SetResolutionIndex(3);
  Bytes frame = FrameOf(1, 160, 120);
  // The bottom-up frame's first row is the picture's last: paint it blue there.
  for (std::size_t i = 0; i < 160 * 3 * 10; i += 3) frame[i] = 250, frame[i + 1] = frame[i + 2] = 0;
  ASSERT_TRUE(store_.StoreGrabbedFrame(frame.data(), frame.size()));
  JpegFile jpeg(boxes_);
  std::uint32_t w = 0, h = 0;
  const auto rgb = jpeg.JpegToRgb(store_.PathOf(1), w, h);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(w, 160u);
  ASSERT_EQ(h, 120u);
  const std::uint8_t* bottom = &rgb[(119 * 160 + 80) * 3];
  EXPECT_GT(bottom[2], 200);
  EXPECT_LT(bottom[0], 50);
  const std::uint8_t* top = &rgb[(10 * 160 + 80) * 3];
  EXPECT_NEAR(top[0], qRed(ColourOf(1)), 3);

  SnapshotPixels decoded;
  ASSERT_TRUE(store_.DecodeSnapshot(1, true, decoded));
  EXPECT_EQ(decoded.width, 160);
  EXPECT_NEAR(decoded.bgr[2], 0, 30);  // bottom row first, blue in byte 0
  EXPECT_GT(decoded.bgr[0], 200);
  ASSERT_TRUE(store_.DecodeSnapshot(1, false, decoded));
  EXPECT_EQ(decoded.bgr[0], decoded.bgr[1]);
  EXPECT_FALSE(store_.DecodeSnapshot(2, true, decoded));
}

// A snapshot that cannot be written takes no number and no entry.
TEST_F(SnapshotStoreTest, AFrameThatCannotBeWrittenShowsTheFailureAndListsNothing) {
  Take(1);
  fs::remove_all(temp_);
  const Bytes frame = FrameOf(2);
  EXPECT_FALSE(store_.StoreGrabbedFrame(frame.data(), frame.size()));
  const Bytes wrongSize = FrameOf(2, 160, 120);
  EXPECT_FALSE(store_.StoreGrabbedFrame(wrongSize.data(), wrongSize.size()));
  EXPECT_THAT(BoxTexts(), ElementsAre("Snapshot failure", "Snapshot failure"));
  EXPECT_THAT(store_.numbers(), ElementsAre(1));
  EXPECT_EQ(store_.lastNumber(), 1u);
  EXPECT_EQ(store_.selectedNumber(), 1u);

  fs::create_directory(temp_);
  ASSERT_TRUE(store_.StoreGrabbedFrame(frame.data(), frame.size()));
  EXPECT_THAT(store_.numbers(), ElementsAre(1, 2));
  EXPECT_TRUE(fs::exists(temp_ / "SnapShot2.jpg"));
}

TEST_F(SnapshotStoreTest, AFileLeftByAnEarlierRunIsOverwritten) {
  std::ofstream(temp_ / "SnapShot1.jpg") << "left over";
  Take(1);
  SnapshotPixels decoded;
  EXPECT_TRUE(store_.DecodeSnapshot(1, true, decoded));
}

struct DeleteCase {
  const char* name;
  std::uint32_t count, stripEnd, selected;
  std::vector<std::uint32_t> numbers;
  std::uint32_t selectedAfter, stripEndAfter;
};

class DeleteRules : public SnapshotStoreTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteRules, MoveTheSelectionAndTheStripEnd) {
  const DeleteCase& c = GetParam();
  Take(c.count);
  store_.SetStripEnd(c.stripEnd);
  store_.Select(c.selected);
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(store_.numbers(), c.numbers);
  EXPECT_EQ(store_.snapshotCount(), c.numbers.size());
  EXPECT_EQ(store_.selectedNumber(), c.selectedAfter);
  EXPECT_EQ(store_.stripEnd(), c.stripEndAfter);
  EXPECT_FALSE(fs::exists(store_.PathOf(c.selected)));
  EXPECT_THAT(boxes_.boxes, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryBranch, DeleteRules,
    ::testing::Values(DeleteCase{"Only", 1, 1, 1, {}, 0, 0},
                      DeleteCase{"BeforeTheNewestAtTheStripEnd", 5, 5, 3, {1, 2, 4, 5}, 4, 5},
                      DeleteCase{"TheNewestAtTheStripEnd", 5, 5, 5, {1, 2, 3, 4}, 4, 4},
                      DeleteCase{"WithinAnEarlierStrip", 6, 4, 2, {1, 3, 4, 5, 6}, 3, 5},
                      DeleteCase{"TheEndOfAnEarlierStrip", 6, 4, 4, {1, 2, 3, 5, 6}, 5, 5},
                      DeleteCase{"TheNewestPastTheStrip", 6, 4, 6, {1, 2, 3, 4, 5}, 5, 4},
                      DeleteCase{"PastTheStrip", 6, 4, 5, {1, 2, 3, 4, 6}, 6, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SnapshotStoreTest, TheStripShowsTheFourEndingAtItsEnd) {
  EXPECT_EQ(StripText(), "- - - -");
  Take(2);
  EXPECT_EQ(StripText(), "1 [2] - -");
  Take(3);
  EXPECT_EQ(StripText(), "2 3 4 [5]");
  store_.Select(3);
  EXPECT_EQ(StripText(), "2 [3] 4 5");
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(StripText(), "1 2 [4] 5");

  Take(2);  // 1 2 4 5 6 7
  store_.SetStripEnd(5);
  store_.Select(2);
  EXPECT_EQ(StripText(), "1 [2] 4 5");
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(StripText(), "1 [4] 5 6");

  // The gaps between the slots keep the strip's ground.
  EXPECT_EQ(store_.Strip().pixel(79, 30), qRgb(128, 128, 128));
  EXPECT_EQ(store_.Strip().pixel(319, 30), qRgb(128, 128, 128));
}

TEST_F(SnapshotStoreTest, DeletingTheLastOneLeavesPlaceholders) {
  Take(1);
  EXPECT_EQ(StripText(), "[1] - - -");
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(store_.selectedNumber(), 0u);
  EXPECT_EQ(store_.stripEnd(), 0u);
  EXPECT_EQ(StripText(), "- - - -");
  EXPECT_FALSE(store_.DeleteSelected());
  EXPECT_THAT(BoxTexts(), ElementsAre("Nothing to delete"));
}

TEST_F(SnapshotStoreTest, ASnapshotWhoseFileIsGoneKeepsItsEntry) {
  Take(3);
  store_.Select(2);
  fs::remove(store_.PathOf(2));
  EXPECT_FALSE(store_.DeleteSelected());
  EXPECT_THAT(BoxTexts(), ElementsAre("Nothing to delete"));
  EXPECT_THAT(store_.numbers(), ElementsAre(1, 2, 3));
  EXPECT_EQ(store_.selectedNumber(), 2u);
  EXPECT_EQ(store_.stripEnd(), 3u);
}

// A file that does not decode shows the placeholder in its slot, quietly, and stays listed.
TEST_F(SnapshotStoreTest, ADamagedFileShowsThePlaceholder) {
  Take(3);
  std::ofstream(store_.PathOf(2), std::ios::trunc) << "damaged";
  EXPECT_EQ(StripText(), "1 - [3] -");
  store_.Select(2);
  EXPECT_EQ(StripText(), "1 - 3 -");
  EXPECT_THAT(store_.numbers(), ElementsAre(1, 2, 3));
  EXPECT_THAT(boxes_.boxes, IsEmpty());
}

TEST_F(SnapshotStoreTest, PlaceholdersAreDarkGreyWithASignInTheFrameSize) {
  for (int index : {1, 2, 3}) {
    const SnapshotPixels p = PlaceholderPicture(index);
    ASSERT_EQ(p.width, FrameSizeOf(index).width);
    ASSERT_EQ(p.height, FrameSizeOf(index).height);
    ASSERT_EQ(p.bgr.size(), static_cast<std::size_t>(p.width) * p.height * 3);
    EXPECT_EQ(p.bgr[0], 82);
    EXPECT_EQ(p.bgr[p.bgr.size() - 1], 82);
    const std::size_t centre = (static_cast<std::size_t>(p.height / 2) * p.width + p.width / 2) * 3;
    EXPECT_NE(p.bgr[centre], 82);
  }
  EXPECT_TRUE(PlaceholderPicture(4).bgr.empty());
}

// Thumbnails come from memory once drawn, are drawn only when the strip is asked for, and go with
// their snapshot.
TEST_F(SnapshotStoreTest, ThumbnailsAreDecodedOnceAndDroppedWithTheirSnapshot) {
  int changes = 0;
  Take(6);
  EXPECT_EQ(store_.cacheBytes(), 0u);
  store_.SetChangedHook([&] { ++changes; });
  EXPECT_EQ(StripText(), "3 4 5 [6]");
  const std::size_t fourDrawn = store_.cacheBytes();
  EXPECT_GT(fourDrawn, 0u);
  EXPECT_LT(fourDrawn, 4 * 20000u);

  fs::remove(store_.PathOf(4));  // behind the store's back: the strip still has it
  store_.SetStripEnd(5);
  EXPECT_EQ(StripText(), "2 3 4 5");
  store_.SetStripEnd(6);
  EXPECT_EQ(StripText(), "3 4 5 [6]");
  EXPECT_EQ(changes, 2);

  store_.Select(5);
  const std::size_t before = store_.cacheBytes();
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_LT(store_.cacheBytes(), before);
  EXPECT_EQ(changes, 4);
}

// While a dialog is open a new snapshot's thumbnail comes from its frame; it must look like the
// one decoded from its file.
TEST_F(SnapshotStoreTest, ThumbnailsFromTheFrameMatchThoseFromTheFile) {
  for (int index : {1, 2, 3}) {
    SCOPED_TRACE(index);
    const FrameSize size = FrameSizeOf(index);
    Bytes frame(static_cast<std::size_t>(size.width) * size.height * 3);
    for (std::size_t i = 0; i < frame.size(); ++i)
      frame[i] = static_cast<std::uint8_t>((i / 3 % size.width) * 150 / size.width + i % 3 * 40 +
                                           (i / 3 / size.width) % 7);
    const fs::path otherFolder = program_ / ("Other" + std::to_string(index));
    fs::create_directory(otherFolder);
    SnapshotStore fromFile(otherFolder, boxes_, strings_, saveDialog_);
    fs::create_directory(program_ / ("Frame" + std::to_string(index)));
    SnapshotStore withDialog((program_ / ("Frame" + std::to_string(index))).string(), boxes_,
                             strings_, saveDialog_);
    withDialog.SetChangedHook([] {});
    fromFile.SetResolutionIndex(index);
    withDialog.SetResolutionIndex(index);
    ASSERT_TRUE(fromFile.StoreGrabbedFrame(frame.data(), frame.size()));
    ASSERT_TRUE(withDialog.StoreGrabbedFrame(frame.data(), frame.size()));
    EXPECT_GT(withDialog.cacheBytes(), 0u);  // made before any strip is asked for
    EXPECT_EQ(fromFile.cacheBytes(), 0u);
    const QImage a = fromFile.Strip();
    const QImage b = withDialog.Strip();
    double difference = 0;
    for (int y = 0; y < kThumbHeight; ++y)
      for (int x = 0; x < kThumbWidth; ++x)
        difference += std::abs(qRed(a.pixel(x, y)) - qRed(b.pixel(x, y))) +
                      std::abs(qGreen(a.pixel(x, y)) - qGreen(b.pixel(x, y))) +
                      std::abs(qBlue(a.pixel(x, y)) - qBlue(b.pixel(x, y)));
    EXPECT_LT(difference / (kThumbWidth * kThumbHeight * 3), 3.0);
  }
}

TEST_F(SnapshotStoreTest, ClearingDeletesOnlyTheSnapshotFiles) {
  Take(2);
  std::ofstream(temp_ / "SnapShot2.jpg.ab12cd") << "a leftover";
  std::ofstream(temp_ / "other.jpg") << "kept";
  std::ofstream(temp_ / "SnapShotNoDot") << "kept";
  std::ofstream(temp_ / "snapshot3.jpg") << "kept";
  std::ofstream(program_ / "target.jpg") << "kept";
  fs::create_directory(temp_ / "SnapShot.d");
  fs::create_symlink(program_ / "target.jpg", temp_ / "SnapShot7.jpg");
  store_.ClearTemporaryFolder();

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(temp_))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_THAT(left, ElementsAre("SnapShot.d", "SnapShot7.jpg", "SnapShotNoDot", "other.jpg",
                                "snapshot3.jpg"));
  EXPECT_TRUE(fs::exists(program_ / "target.jpg"));
  EXPECT_THAT(store_.numbers(), IsEmpty());
  EXPECT_EQ(store_.selectedNumber(), 0u);
  EXPECT_EQ(StripText(), "- - - -");
  Take(1);
  EXPECT_THAT(store_.numbers(), ElementsAre(3));
}

TEST_F(SnapshotStoreTest, SavingAsksForANameAndNothingHappensOnCancel) {
  Take(3);
  store_.Select(2);
  bool confirmed = true;
  EXPECT_FALSE(store_.SaveSelectedAs(nullptr, false, &confirmed));
  EXPECT_FALSE(confirmed);
  ASSERT_EQ(saveDialog_.requests.size(), 1u);
  const SaveFileRequest& request = saveDialog_.requests[0];
  EXPECT_EQ(request.defaultName, "SnapShot2.jpg");
  EXPECT_EQ(request.filter, "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|");
  EXPECT_EQ(request.defaultExtension, "jpg");
  EXPECT_TRUE(request.promptOverwrite);
  EXPECT_THAT(boxes_.boxes, IsEmpty());
}

// The copy is a new encoding, replaces the file the user agreed to overwrite and follows the
// user's umask.
TEST_F(SnapshotStoreTest, ASavedCopyIsEncodedAfreshInTheUsersMode) {
  Take(2);
  store_.Select(1);
  // A comment in the snapshot file that a copy of the file would carry along.
  Bytes file = ReadAll(store_.PathOf(1));
  const Bytes comment = {0xFF, 0xFE, 0x00, 0x07, 'h', 'e', 'l', 'l', 'o'};
  file.insert(file.begin() + 2, comment.begin(), comment.end());
  std::ofstream(store_.PathOf(1), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const std::string copy = (program_ / "copy.jpg").string();
  std::ofstream(copy) << "agreed to overwrite";
  saveDialog_.answer = copy;
  const mode_t old = ::umask(022);
  bool confirmed = false;
  const bool saved = store_.SaveSelectedAs(nullptr, false, &confirmed);
  ::umask(old);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read);
  const Bytes written = ReadAll(copy);
  EXPECT_EQ(std::search(written.begin(), written.end(), comment.begin(), comment.end()),
            written.end());
  JpegFile jpeg(boxes_);
  std::uint32_t w = 0, h = 0;
  const auto rgb = jpeg.JpegToRgb(copy, w, h);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(w, 320u);
  EXPECT_NEAR(rgb[0], qRed(ColourOf(1)), 3);

  // The viewer's own pixels.
  SnapshotPixels shown = PlaceholderPicture(3);
  ASSERT_TRUE(store_.SaveSelectedAs(&shown, true));
  ASSERT_NE(jpeg.JpegToRgb(copy, w, h), nullptr);
  EXPECT_EQ(w, 160u);
  EXPECT_THAT(boxes_.boxes, IsEmpty());
}

TEST_F(SnapshotStoreTest, SaveFailuresSayWhy) {
  saveDialog_.answer = (program_ / "missing" / "copy.jpg").string();
  EXPECT_FALSE(store_.SaveSelectedAs(nullptr, false));  // nothing selected: not even asked
  EXPECT_TRUE(saveDialog_.requests.empty());

  Take(2);
  bool confirmed = false;
  EXPECT_FALSE(store_.SaveSelectedAs(nullptr, false, &confirmed));
  EXPECT_TRUE(confirmed);
  SnapshotPixels shown = PlaceholderPicture(2);
  EXPECT_FALSE(store_.SaveSelectedAs(&shown, true));
  SnapshotPixels broken = shown;
  broken.bgr.resize(10);
  EXPECT_FALSE(store_.SaveSelectedAs(&broken, true));

  EXPECT_THAT(BoxTexts(), ElementsAre("There's no image data to save", "Dialog saving failure",
                                      "Viewer saving failure", "There's no image data to save"));

  saveDialog_.answer = (program_ / "copy.jpg").string();
  std::ofstream(store_.PathOf(2), std::ios::trunc) << "damaged";
  boxes_.boxes.clear();
  EXPECT_FALSE(store_.SaveSelectedAs(nullptr, false));
  EXPECT_FALSE(fs::exists(program_ / "copy.jpg"));
  ASSERT_FALSE(boxes_.boxes.empty());
  EXPECT_EQ(boxes_.boxes.back().text, "There's no image data to save");
}

}  // namespace
}  // namespace tavo::preview
