// The main window's face tables: the thumbnail slots' edges, the buttons' test order and the
// state faces drawn where their buttons are.
#include "cctvface.h"

#include <gtest/gtest.h>

#include <set>

#include "cctvcontroller.h"

namespace tavo::cctv {
namespace {

TEST(CctvFaceTables, ThumbnailSlotsEndAtTheirEdges) {
  const struct {
    QPoint point;
    int slot;
  } cases[] = {
      {{7, 330}, 0},   {{6, 330}, -1},   {{85, 388}, 0},   {{86, 350}, -1},
      {{87, 350}, 1},  {{165, 350}, 1},  {{166, 350}, -1}, {{247, 350}, 3},
      {{325, 350}, 3}, {{326, 350}, -1}, {{50, 329}, -1},  {{50, 389}, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ThumbSlotAt(c.point), c.slot) << c.point.x() << ", " << c.point.y();
  }
}

TEST(CctvFaceTables, ButtonsAreTestedViewerRowFirstAndMainRowLast) {
  std::set<int> ids;
  ButtonRow previous = ButtonRow::kViewer;
  for (const FaceButton& button : FaceButtons()) {
    EXPECT_TRUE(ids.insert(button.id).second) << button.id;
    EXPECT_GE(static_cast<int>(button.row), static_cast<int>(previous)) << button.id;
    previous = button.row;
    EXPECT_TRUE(button.repaintArea.contains(button.facePosition)) << button.id;
  }
  // A two-state button's state face lies where its hover and pressed faces are drawn.
  for (const StateFaces* faces : {&kStartStopFaces, &kPinFaces, &kSlideshowFaces}) {
    bool found = false;
    for (const FaceButton& button : FaceButtons()) {
      if (button.id != faces->button) continue;
      found = true;
      EXPECT_EQ(button.facePosition, faces->at);
      EXPECT_EQ(button.pressedFace, faces->pressed[button.id == kButtonPin ? 1 : 0]);
    }
    EXPECT_TRUE(found) << faces->button;
  }
}

TEST(CctvFaceTables, ReleasesCountWhereTheReleaseTableSays) {
  for (const FaceButton& button : FaceButtons()) {
    // A press on the button always counts where it is released on it.
    EXPECT_TRUE(button.releaseArea.contains(button.hitArea)) << button.id;
    if (button.id == kButtonSlideshow) {
      EXPECT_EQ(button.releaseArea, QRect(QPoint(48, 409), QPoint(109, 423)));
      EXPECT_EQ(button.hitArea, QRect(QPoint(50, 411), QPoint(107, 421)));
    } else if (button.id == kButtonHelp) {
      EXPECT_EQ(button.releaseArea, QRect(QPoint(272, 266), QPoint(282, 277)));
      EXPECT_EQ(button.hitArea.bottom(), 276);
    } else {
      EXPECT_EQ(button.releaseArea, button.hitArea) << button.id;
    }
  }
}

}  // namespace
}  // namespace tavo::cctv
