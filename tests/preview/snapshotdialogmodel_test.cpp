// The snapshot dialog's rules over a real store: where presses land, the thumbnail slots, the
// slider and scrolling, the thumb after a new snapshot, the label, and the viewer's layouts.
#include "snapshotdialogmodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "test_folder.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;

class SnapshotDialogModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::create_directory(program_ / "Temp"));
    store_.SetResolutionIndex(3);
  }
  void TearDown() override { fs::remove_all(program_); }

  void Take(std::uint32_t count) {
    const std::vector<std::uint8_t> frame(160 * 120 * 3, 90);
    for (std::uint32_t i = 0; i < count; ++i) {
      ASSERT_TRUE(store_.StoreGrabbedFrame(frame.data(), frame.size()));
    }
  }
  std::vector<std::uint32_t> Slots() const {
    return {model_.SlotNumber(1), model_.SlotNumber(2), model_.SlotNumber(3), model_.SlotNumber(4)};
  }

  const fs::path program_ = testing::EmptyFolderForTest("snapdlg_");
  RecordingMessageBoxes boxes_;
  StringTable strings_{std::span<const StringEntry>{}, Language::English};
  ScriptedSaveFileDialog saveDialog_;
  SnapshotStore store_{(program_ / "Temp").string(), boxes_, strings_, saveDialog_};
  SnapshotDialogModel model_{store_};
};

TEST(SnapshotDialogHits, TheSliderFirstThenTheButtonsInOrderThenTheSlots) {
  using K = PressKind;
  const struct {
    QPoint point;
    std::uint32_t count;
    PressKind kind;
    int id;
  } cases[] = {
      // The slider's press area, 22..311 x 71..97, also over the foot of the thumbnails.
      {{22, 71}, 4, K::kSlider, 0},
      {{311, 97}, 4, K::kSlider, 0},
      {{85, 80}, 4, K::kSlider, 0},
      {{21, 80}, 4, K::kSlot, 1},
      {{312, 80}, 4, K::kSlot, 4},
      {{100, 70}, 4, K::kSlot, 2},
      {{100, 98}, 4, K::kElsewhere, 0},
      // The buttons' inclusive ranges.
      {{190, 101}, 0, K::kButton, kSnapSave},
      {{233, 111}, 0, K::kButton, kSnapSave},
      {{234, 111}, 0, K::kElsewhere, 0},
      {{189, 105}, 0, K::kElsewhere, 0},
      {{239, 101}, 0, K::kButton, kSnapDelete},
      {{282, 111}, 0, K::kButton, kSnapDelete},
      {{50, 101}, 0, K::kButton, kSnapTake},
      {{117, 111}, 0, K::kButton, kSnapTake},
      {{118, 105}, 0, K::kElsewhere, 0},
      {{7, 85}, 0, K::kButton, kSnapLeft},
      {{19, 97}, 0, K::kButton, kSnapLeft},
      {{313, 85}, 0, K::kButton, kSnapRight},
      {{325, 97}, 0, K::kButton, kSnapRight},
      {{326, 97}, 0, K::kElsewhere, 0},
      {{318, 5}, 0, K::kButton, kSnapClose},
      {{327, 14}, 0, K::kButton, kSnapClose},
      {{327, 15}, 0, K::kElsewhere, 0},
      // A slot needs at least as many snapshots as its number; the gaps between slots are none.
      {{7, 22}, 1, K::kSlot, 1},
      {{7, 21}, 1, K::kElsewhere, 0},
      {{86, 50}, 4, K::kElsewhere, 0},
      {{87, 50}, 1, K::kElsewhere, 0},
      {{87, 50}, 2, K::kSlot, 2},
      {{245, 22}, 2, K::kElsewhere, 0},
      {{245, 22}, 3, K::kSlot, 3},
      {{325, 50}, 3, K::kElsewhere, 0},
      {{325, 50}, 4, K::kSlot, 4},
      {{326, 50}, 9, K::kElsewhere, 0},
      {{50, 50}, 0, K::kElsewhere, 0},
  };
  for (const auto& c : cases) {
    const PressTarget target = TargetOfPress(c.point, c.count);
    EXPECT_EQ(target.kind, c.kind) << c.point.x() << ", " << c.point.y() << " of " << c.count;
    EXPECT_EQ(target.id, c.id) << c.point.x() << ", " << c.point.y() << " of " << c.count;
  }
  // A drag with the button held reaches further right and lower than a press.
  EXPECT_TRUE(SliderTakesDrag({331, 99}));
  EXPECT_FALSE(SliderTakesPress({331, 99}));
  EXPECT_FALSE(SliderTakesDrag({332, 80}));
  EXPECT_FALSE(SliderTakesDrag({100, 100}));
  EXPECT_FALSE(SliderTakesDrag({100, 70}));
  EXPECT_TRUE(InDoubleClickStrip({7, 22}));
  EXPECT_TRUE(InDoubleClickStrip({326, 80}));
  EXPECT_FALSE(InDoubleClickStrip({6, 50}));
  EXPECT_FALSE(InDoubleClickStrip({100, 21}));
  // The thumb is drawn from its truncated left edge.
  EXPECT_EQ(ThumbLeft(189.6f), 164);
  EXPECT_EQ(ThumbLeft(45.0f), 20);
}

TEST_F(SnapshotDialogModelTest, WithNoSnapshotsNothingIsSelectedAndNothingMoves) {
  EXPECT_EQ(model_.Label(), "0 / 0");
  for (int slot = 1; slot <= 4; ++slot) EXPECT_FALSE(model_.SelectSlot(slot)) << slot;
  model_.SetThumbX(200);
  model_.ApplySlider();
  model_.ScrollLeft();
  model_.ScrollRight();
  model_.AfterStored();
  EXPECT_FLOAT_EQ(model_.thumbX(), 200.0f);
  EXPECT_EQ(store_.selectedNumber(), 0u);
  EXPECT_EQ(store_.stripEnd(), 0u);
}

TEST_F(SnapshotDialogModelTest, TwoSnapshotsFillTheFirstTwoSlotsAndTheOthersIgnoreClicks) {
  Take(2);
  EXPECT_THAT(Slots(), ::testing::ElementsAre(1, 2, 0, 0));
  EXPECT_TRUE(model_.SelectSlot(1));
  EXPECT_EQ(store_.selectedNumber(), 1u);
  EXPECT_EQ(model_.Label(), "1 / 2");
  EXPECT_FALSE(model_.SelectSlot(3));
  EXPECT_FALSE(model_.SelectSlot(4));
  EXPECT_EQ(store_.selectedNumber(), 1u);
  EXPECT_TRUE(model_.SelectSlot(2));
  EXPECT_EQ(store_.selectedNumber(), 2u);
  // Four or fewer: the slider only goes to its ends, the strip stays.
  model_.ScrollRight();
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMax);
  model_.ScrollLeft();
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMin);
  model_.SetThumbX(250);
  model_.ApplySlider();
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMin);
  EXPECT_EQ(store_.stripEnd(), 2u);
}

TEST_F(SnapshotDialogModelTest, SlotsFollowTheStripEndAndPickWhatTheyShow) {
  Take(7);
  store_.SetStripEnd(6);
  EXPECT_THAT(Slots(), ::testing::ElementsAre(3, 4, 5, 6));
  EXPECT_TRUE(model_.SelectSlot(2));
  EXPECT_EQ(store_.selectedNumber(), 4u);
  EXPECT_EQ(model_.Label(), "4 / 7");
  // Deleted numbers leave no gap in the strip.
  store_.Select(5);
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(store_.stripEnd(), 7u);
  EXPECT_THAT(Slots(), ::testing::ElementsAre(3, 4, 6, 7));
  EXPECT_EQ(model_.Label(), "5 / 6");
}

TEST_F(SnapshotDialogModelTest, NineSnapshotsDraggedToX166EndAtTheSeventh) {
  Take(9);
  model_.SetThumbX(166);
  model_.ApplySlider();
  EXPECT_EQ(store_.stripEnd(), 7u);
  EXPECT_FLOAT_EQ(model_.thumbX(), 189.6f);
  EXPECT_THAT(Slots(), ::testing::ElementsAre(4, 5, 6, 7));
  // The ends of the track reach the ends of the list; presses beyond them are clamped.
  model_.SetThumbX(0);
  model_.ApplySlider();
  EXPECT_EQ(store_.stripEnd(), 4u);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMin);
  model_.SetThumbX(331);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMax);
  model_.ApplySlider();
  EXPECT_EQ(store_.stripEnd(), 9u);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMax);
}

TEST_F(SnapshotDialogModelTest, SixSnapshotsScrollLeftOnlyWhileTheThumbIsBeyond105) {
  Take(6);
  model_.SetThumbX(105);
  model_.ScrollLeft();
  EXPECT_EQ(store_.stripEnd(), 6u);
  EXPECT_FLOAT_EQ(model_.thumbX(), 105.0f);
  model_.SetThumbX(106);
  model_.ScrollLeft();
  EXPECT_EQ(store_.stripEnd(), 5u);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMin);  // 106 - 120.5, kept on the track
  // From the right end: two steps, then the margin holds.
  model_.SetThumbX(286);
  model_.ApplySlider();
  EXPECT_EQ(store_.stripEnd(), 6u);
  model_.ScrollLeft();
  EXPECT_EQ(store_.stripEnd(), 5u);
  EXPECT_FLOAT_EQ(model_.thumbX(), 165.5f);
  model_.ScrollLeft();
  EXPECT_EQ(store_.stripEnd(), 4u);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMin);
  model_.ScrollLeft();
  EXPECT_EQ(store_.stripEnd(), 4u);
  // And back, mirrored: right moves while the thumb is below 286 - 60.
  model_.ScrollRight();
  model_.ScrollRight();
  EXPECT_EQ(store_.stripEnd(), 6u);
  EXPECT_FLOAT_EQ(model_.thumbX(), kThumbMax);
  model_.ScrollRight();
  EXPECT_EQ(store_.stripEnd(), 6u);
}

TEST_F(SnapshotDialogModelTest, TheThumbMovesOnlyWithTheStripAndStaysOnItsTrack) {
  Take(6);
  // The strip already ends at the newest while the thumb stands left: there is nothing to scroll
  // to, and the thumb does not run ahead of the strip.
  model_.SetThumbX(50);
  model_.ScrollRight();
  EXPECT_EQ(store_.stripEnd(), 6u);
  EXPECT_FLOAT_EQ(model_.thumbX(), 50.0f);
}

TEST_F(SnapshotDialogModelTest, AfterAStoredSnapshotTheThumbStandsForTheStripEnd) {
  Take(1);
  model_.AfterStored();
  EXPECT_FLOAT_EQ(model_.thumbX(), 46.0f + 145.0f);
  Take(9);
  store_.SetStripEnd(5);
  model_.AfterStored();
  EXPECT_FLOAT_EQ(model_.thumbX(), 46.0f + 290.0f * 4.5f / 10.0f);
  store_.SetStripEnd(10);
  model_.AfterStored();
  EXPECT_FLOAT_EQ(model_.thumbX(), 283.0f);
}

TEST_F(SnapshotDialogModelTest, TheLabelCountsPositionsNotNumbersAndReadsZeroAfterTheLastDelete) {
  Take(7);
  store_.Select(3);
  EXPECT_EQ(model_.Label(), "3 / 7");
  store_.Select(2);
  ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(store_.selectedNumber(), 3u);
  EXPECT_EQ(model_.Label(), "2 / 6");
  while (store_.snapshotCount() > 0) ASSERT_TRUE(store_.DeleteSelected());
  EXPECT_EQ(model_.Label(), "0 / 0");
}

TEST(SnapshotViewerLayout, TheLargeLayoutIsFor640x480OnlyAndSmallPicturesAreCentred) {
  const ViewerLayout large = ViewerLayoutFor(640, 480);
  EXPECT_TRUE(large.large);
  EXPECT_EQ(large.window, QSize(646, 508));
  EXPECT_EQ(large.pictureArea, QRect(3, 3, 640, 480));
  EXPECT_EQ(large.save, QPoint(531, 487));
  EXPECT_EQ(large.cancel, QPoint(584, 487));
  for (const QSize size : {QSize(320, 240), QSize(160, 120), QSize(480, 640), QSize(0, 0)}) {
    const ViewerLayout small = ViewerLayoutFor(size.width(), size.height());
    EXPECT_FALSE(small.large);
    EXPECT_EQ(small.window, QSize(326, 268));
    EXPECT_EQ(small.pictureArea, QRect(3, 3, 320, 240));
    EXPECT_EQ(small.save, QPoint(211, 246));
    EXPECT_EQ(small.cancel, QPoint(265, 246));
  }
  EXPECT_EQ(ViewerPictureRect(640, 480), QRect(0, 0, 640, 480));
  EXPECT_EQ(ViewerPictureRect(320, 240), QRect(0, 0, 320, 240));
  EXPECT_EQ(ViewerPictureRect(160, 120), QRect(80, 60, 160, 120));
  // A picture of another size stays inside the small layout's area.
  EXPECT_EQ(ViewerPictureRect(1024, 768), QRect(0, 0, 320, 240));
}

}  // namespace
}  // namespace tavo::preview
