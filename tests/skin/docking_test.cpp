// Docking steps without a window: the snap against a target's edge at the tolerance boundaries,
// the follow move and the docking places around a bar.
#include "docking.h"

#include <gtest/gtest.h>

namespace tavo {
namespace {

struct SnapCase {
  const char* what;
  QPoint candidate;
  bool docked;
  QPoint position;
};

// A dialog hanging under a target whose bottom is at y 500 and whose left is at x 100.
TEST(Docking, AHangingDialogSnapsWithinFifteenPixelsOfTheLineAndThreeHundredOfTheLeft) {
  const DockEdge edge{500, 100};
  const SnapCase cases[] = {
      {"on the line and the left", {100, 500}, true, {100, 500}},
      {"14 below the line", {100, 514}, true, {100, 500}},
      {"15 below the line", {100, 515}, false, {100, 515}},
      {"14 above the line", {100, 486}, true, {100, 500}},
      {"15 above the line", {100, 485}, false, {100, 485}},
      {"14 right: aligned", {114, 507}, true, {100, 500}},
      {"15 right: docked, not aligned", {115, 507}, true, {115, 500}},
      {"14 left: aligned", {86, 493}, true, {100, 500}},
      {"15 left: docked, not aligned", {85, 493}, true, {85, 500}},
      {"299 right", {399, 500}, true, {399, 500}},
      {"300 right", {400, 500}, false, {400, 500}},
      {"299 left", {-199, 501}, true, {-199, 500}},
      {"300 left", {-200, 501}, false, {-200, 501}},
      {"near the left, far from the line", {100, 600}, false, {100, 600}},
  };
  for (const SnapCase& c : cases) {
    SCOPED_TRACE(c.what);
    const DockSnap snap = SnapToEdge(c.candidate, edge, kHangUnder);
    EXPECT_EQ(snap.docked, c.docked);
    EXPECT_EQ(snap.position, c.position);
  }
}

// The preview window stands on a bar whose top is at y 300: its foot is tested 272 below its top,
// and it docks with its top 276 above the bar's.
TEST(Docking, TheStandingWindowTestsItsFootAndDocksItsBottomOnTheLine) {
  const DockEdge edge = TopEdge(QRect(40, 300, 332, 63));
  EXPECT_EQ(edge.line, 300);
  EXPECT_EQ(edge.left, 40);
  const SnapCase cases[] = {
      {"foot on the line", {40, 28}, true, {40, 24}},
      {"foot 14 below", {40, 42}, true, {40, 24}},
      {"foot 15 below", {40, 43}, false, {40, 43}},
      {"foot 14 above", {30, 14}, true, {40, 24}},
      {"foot 15 above", {30, 13}, false, {30, 13}},
      {"299 to the right", {339, 30}, true, {339, 24}},
      {"300 to the right", {340, 30}, false, {340, 30}},
  };
  for (const SnapCase& c : cases) {
    SCOPED_TRACE(c.what);
    const DockSnap snap = SnapToEdge(c.candidate, edge, kStandOn);
    EXPECT_EQ(snap.docked, c.docked);
    EXPECT_EQ(snap.position, c.position);
  }
}

TEST(Docking, ToleranceIsStrictOnBothSides) {
  EXPECT_TRUE(WithinTolerance(0, 14, 15));
  EXPECT_FALSE(WithinTolerance(0, 15, 15));
  EXPECT_TRUE(WithinTolerance(14, 0, 15));
  EXPECT_FALSE(WithinTolerance(-15, 0, 15));
  EXPECT_TRUE(WithinTolerance(-20, -319, 300));
  EXPECT_FALSE(WithinTolerance(-20, -320, 300));
}

TEST(Docking, ADockedChainMovesByTheBarsDistance) {
  EXPECT_EQ(FollowMove({10, 339}, {10, 276}, {60, 200}), QPoint(60, 263));
  EXPECT_EQ(FollowMove({-5, 7}, {100, 100}, {90, 130}), QPoint(-15, 37));
  EXPECT_EQ(FollowMove({3, 4}, {8, 8}, {8, 8}), QPoint(3, 4));
}

TEST(Docking, PlacesAroundTheBar) {
  const QRect bar(20, 276, 332, 63);
  EXPECT_EQ(PlaceUnderBar(bar), QPoint(20, 339));
  EXPECT_EQ(PlaceUnderDialog(bar), QPoint(20, 339 + 114));
  EXPECT_EQ(PlaceAboveBar(bar), QPoint(20, 0));
  EXPECT_EQ(PlaceBeside(bar), QPoint(352, 276));
  // What lies under the bar is where a dialog hanging there is tested.
  EXPECT_EQ(BottomEdge(bar).line, PlaceUnderBar(bar).y());
  EXPECT_EQ(SnapToEdge(PlaceUnderBar(bar), BottomEdge(bar)).position, PlaceUnderBar(bar));
  EXPECT_EQ(SnapToEdge({25, 0}, TopEdge(bar), kStandOn).position, PlaceAboveBar(bar));
}

}  // namespace
}  // namespace tavo
