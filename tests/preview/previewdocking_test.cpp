// The docking of TavoPreview's satellites without windows: each satellite is just a rectangle.
// The start on the screen, the chain that follows the bar, snap detection and docking at the
// tolerance boundaries, the satellites' own snapping, the re-dock and the layout.
#include "previewdocking.h"

#include <gtest/gtest.h>

namespace tavo::preview {
namespace {

constexpr auto kPreview = Satellite::kPreview;
constexpr auto kSnapshot = Satellite::kSnapshot;
constexpr auto kConfig = Satellite::kConfig;

const QRect kScreen(0, 0, 1600, 1200);
// Where the tests put the bar: its bottom at 463, its top at 400.
const QRect kBar(200, 400, kBarWidth, kBarHeight);

QRect SnapshotAt(int x, int y) { return {x, y, kBarWidth, kSnapshotDialogHeight}; }
QRect ConfigAt(int x, int y) { return {x, y, kBarWidth, kConfigDialogHeight}; }
QRect PreviewAt(int x, int y) { return {x, y, kPreviewWidth, kPreviewHeight}; }

std::optional<QPoint> MoveOf(const Placements& moves, Satellite s) {
  const auto& move = moves[static_cast<std::size_t>(s)];
  if (!move) return std::nullopt;
  EXPECT_EQ(move->which, s);
  return move->at;
}

// The run started, the bar at kBar with the preview window docked above it.
PreviewDocking BarAtTestPlace() {
  PreviewDocking docking;
  docking.Start(kScreen, false);
  docking.BarMoved(kBar);
  docking.BarPositionChanged();
  return docking;
}

// The bar dragged to `to`: the move, then the settled position, as the window system reports them.
Placements DragBar(PreviewDocking& docking, const QRect& to) {
  Placements moves = docking.BarMoved(to);
  const Placements docked = docking.BarPositionChanged();
  for (std::size_t i = 0; i < moves.size(); ++i) {
    if (docked[i]) moves[i] = docked[i];
  }
  return moves;
}

TEST(PreviewDocking, ARunStartsWithEverythingOnTheScreenAndThePictureUncovered) {
  for (const QRect screen : {QRect(0, 0, 1024, 768), QRect(-1280, 40, 1280, 984)}) {
    PreviewDocking docking;
    docking.Start(screen, false);
    const SatelliteState& preview = docking.state(kPreview);
    EXPECT_EQ(preview.rect, QRect(screen.topLeft(), QSize(kPreviewWidth, kPreviewHeight)));
    EXPECT_EQ(preview.dock, DockState::kAboveBar);
    // The docking line still holds: the preview window's foot on the bar's top.
    EXPECT_EQ(docking.bar(), QRect(screen.left(), screen.top() + 276, kBarWidth, kBarHeight));
    EXPECT_TRUE(screen.contains(docking.bar()));
    EXPECT_FALSE(docking.state(kSnapshot).open);
    EXPECT_FALSE(docking.state(kConfig).open);

    docking.Start(screen, true);
    EXPECT_EQ(docking.state(kPreview).rect, QRect(screen.topLeft(), QSize(664, 516)));
    EXPECT_EQ(docking.state(kPreview).dock, DockState::kFree);
    EXPECT_EQ(docking.bar().topLeft(), screen.topLeft() + QPoint(0, 516));
    EXPECT_FALSE(docking.bar().intersects(docking.state(kPreview).rect));
    EXPECT_TRUE(screen.contains(docking.bar()));
  }
}

TEST(PreviewDocking, TheDockedChainFollowsTheBar) {
  PreviewDocking docking = BarAtTestPlace();
  EXPECT_EQ(docking.state(kPreview).rect.topLeft(), QPoint(200, 124));
  docking.Opened(kSnapshot, SnapshotAt(210, 463), DockState::kUnderBar);
  docking.Opened(kConfig, ConfigAt(190, 577), DockState::kUnderDialog);

  const Placements moves = docking.BarMoved(kBar.translated(40, -25));
  EXPECT_EQ(MoveOf(moves, kPreview), QPoint(240, 375 - 276));
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(250, 438));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(230, 552));
  EXPECT_EQ(docking.state(kConfig).rect, ConfigAt(230, 552));
  EXPECT_EQ(docking.bar(), kBar.translated(40, -25));
}

TEST(PreviewDocking, DialogsThatDoNotHangFromTheBarStayWhereTheyAre) {
  PreviewDocking docking = BarAtTestPlace();
  // Under a dialog that is free itself: nothing to follow, so it becomes free.
  docking.Opened(kSnapshot, SnapshotAt(700, 100), DockState::kFree);
  docking.Opened(kConfig, ConfigAt(700, 214), DockState::kUnderDialog);
  Placements moves = docking.BarMoved(kBar.translated(0, 100));
  EXPECT_FALSE(MoveOf(moves, kSnapshot));
  EXPECT_FALSE(MoveOf(moves, kConfig));
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kFree);
  EXPECT_EQ(docking.state(kConfig).rect, ConfigAt(700, 214));

  // Under the free preview window: the bar does not move it.
  docking.Opened(kSnapshot, SnapshotAt(900, 700), DockState::kUnderPreview);
  moves = docking.BarMoved(kBar);
  EXPECT_FALSE(MoveOf(moves, kSnapshot));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderPreview);
}

TEST(PreviewDocking, TwoDialogsUnderTheBarBecomeAChainWithTheConfigurationDialogBelow) {
  PreviewDocking docking = BarAtTestPlace();
  docking.Opened(kSnapshot, SnapshotAt(200, 463), DockState::kUnderBar);
  docking.Opened(kConfig, ConfigAt(205, 463), DockState::kUnderBar);
  Placements moves = docking.BarMoved(kBar.translated(10, 10));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderBar);
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderDialog);
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(210, 473));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(215, 473));
  // The layout puts the hanging one under its partner.
  moves = docking.Layout();
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(210, 473));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(210, 473 + 114));

  // A further move carries both.
  moves = docking.BarMoved(kBar);
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(200, 463));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(200, 577));
}

struct BarSnapCase {
  const char* what;
  QPoint satellite;  // its top-left corner
  bool docks;
  QPoint docked;  // where it goes when it docks
};

TEST(PreviewDocking, TheBarMovingNearTheFreePreviewWindowDocksItAtTheToleranceBoundaries) {
  // The bar at kBar: top 400, left 200. The preview window's bottom is tested (y + 276).
  const BarSnapCase cases[] = {
      {"bottom 14 below the top", {200, 138}, true, {200, 124}},
      {"bottom 15 below the top", {200, 139}, false, {}},
      {"bottom 14 above the top", {200, 110}, true, {200, 124}},
      {"left 14 off: aligned", {214, 124}, true, {200, 124}},
      {"left 15 off: kept", {185, 124}, true, {185, 124}},
      {"left 299 off", {499, 124}, true, {499, 124}},
      {"left 300 off", {500, 124}, false, {}},
  };
  for (const BarSnapCase& c : cases) {
    SCOPED_TRACE(c.what);
    PreviewDocking docking;
    docking.Start(kScreen, false);
    docking.Opened(kPreview, PreviewAt(c.satellite.x(), c.satellite.y()), DockState::kFree);
    // The bar arrives at kBar from far away.
    docking.BarMoved(QRect(1200, 900, kBarWidth, kBarHeight));
    docking.BarMoved(kBar);
    EXPECT_EQ(docking.state(kPreview).candidate, c.docks);
    const Placements moves = docking.BarPositionChanged();
    EXPECT_FALSE(docking.state(kPreview).candidate);
    EXPECT_EQ(docking.state(kPreview).dock, c.docks ? DockState::kAboveBar : DockState::kFree);
    EXPECT_EQ(MoveOf(moves, kPreview), c.docks ? std::optional(c.docked) : std::nullopt);
    // Docked, it follows the next move.
    if (c.docks) {
      EXPECT_TRUE(MoveOf(docking.BarMoved(kBar.translated(5, 5)), kPreview));
    }
  }
}

TEST(PreviewDocking, TheBarMovingNearAFreeDialogDocksItUnderTheBarOrUnderTheFollowingDialog) {
  // With no dialog following, the line is the bar's bottom (463); with one, 63 + 114 below its
  // top (577) and the following dialog's left.
  const BarSnapCase alone[] = {
      {"top 14 below the bottom", {200, 477}, true, {200, 463}},
      {"top 15 below the bottom", {200, 478}, false, {}},
      {"left 14 off: aligned", {186, 470}, true, {200, 463}},
      {"left 15 off: kept", {215, 470}, true, {215, 463}},
      {"left 299 off", {499, 463}, true, {499, 463}},
      {"left 300 off", {500, 463}, false, {}},
  };
  for (const Satellite dialog : {kSnapshot, kConfig}) {
    for (const BarSnapCase& c : alone) {
      SCOPED_TRACE(c.what);
      PreviewDocking docking = BarAtTestPlace();
      docking.Opened(dialog, SnapshotAt(c.satellite.x(), c.satellite.y()), DockState::kFree);
      const Placements moves = DragBar(docking, kBar);
      EXPECT_EQ(docking.state(dialog).dock, c.docks ? DockState::kUnderBar : DockState::kFree);
      EXPECT_EQ(MoveOf(moves, dialog), c.docks ? std::optional(c.docked) : std::nullopt);
    }
  }

  // The snapshot dialog follows the bar from 30 right of it; the line is 577 and its left is 230.
  const BarSnapCase underFollowing[] = {
      {"top 14 off", {230, 591}, true, {230, 577}},
      {"top 15 off", {230, 592}, false, {}},
      {"left 14 off the follower's: aligned", {244, 580}, true, {230, 577}},
      {"left 299 off the follower's", {529, 577}, true, {529, 577}},
      {"left 300 off the follower's", {530, 577}, false, {}},
      {"at the bar's bottom instead", {200, 463}, false, {}},
  };
  for (const BarSnapCase& c : underFollowing) {
    SCOPED_TRACE(c.what);
    PreviewDocking docking = BarAtTestPlace();
    docking.Opened(kSnapshot, SnapshotAt(230, 463), DockState::kUnderBar);
    docking.Opened(kConfig, ConfigAt(c.satellite.x(), c.satellite.y()), DockState::kFree);
    const Placements moves = DragBar(docking, kBar);
    EXPECT_EQ(docking.state(kConfig).dock, c.docks ? DockState::kUnderDialog : DockState::kFree);
    EXPECT_EQ(MoveOf(moves, kConfig), c.docks ? std::optional(c.docked) : std::nullopt);
  }
}

TEST(PreviewDocking, TwoDialogsReachingTheBarAtOnceSettleIntoOneChain) {
  PreviewDocking docking = BarAtTestPlace();
  docking.Opened(kConfig, ConfigAt(205, 470), DockState::kFree);
  docking.Opened(kSnapshot, SnapshotAt(195, 456), DockState::kFree);
  const Placements moves = DragBar(docking, kBar);
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderBar);
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderDialog);
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(200, 463));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(200, 577));
}

TEST(PreviewDocking, ThePreviewWindowDraggedSnapsOntoTheBarsTop) {
  // Its top + 272 is tested against the bar's top (400); docked, its top is 400 - 276.
  const BarSnapCase cases[] = {
      {"foot 14 below", {200, 142}, true, {200, 124}},
      {"foot 15 below", {200, 143}, false, {200, 143}},
      {"left 14 off: aligned", {214, 128}, true, {200, 124}},
      {"left 15 off: kept", {215, 128}, true, {215, 124}},
      {"left 299 off", {499, 128}, true, {499, 124}},
      {"left 300 off", {500, 128}, false, {500, 128}},
  };
  for (const BarSnapCase& c : cases) {
    SCOPED_TRACE(c.what);
    PreviewDocking docking = BarAtTestPlace();
    const QPoint to = docking.SatelliteMoving(kPreview, c.satellite, {332, 276});
    EXPECT_EQ(to, c.docked);
    EXPECT_EQ(docking.state(kPreview).dock, c.docks ? DockState::kAboveBar : DockState::kFree);
    EXPECT_EQ(docking.state(kPreview).rect, QRect(to, QSize(332, 276)));
  }
}

TEST(PreviewDocking, ADraggedDialogSnapsOntoTheBarThePreviewWindowAndTheOtherDialogLaterWins) {
  PreviewDocking docking = BarAtTestPlace();
  // The preview window free, its bottom level with the bar's bottom (463) but 500 right of it.
  docking.SatelliteMoving(kPreview, {700, 187}, {332, 276});
  ASSERT_EQ(docking.state(kPreview).dock, DockState::kFree);
  docking.Opened(kConfig, ConfigAt(750, 350), DockState::kFree);  // bottom 465

  // Near the bar only.
  QPoint to = docking.SatelliteMoving(kSnapshot, {190, 470}, {332, 114});
  EXPECT_EQ(to, QPoint(200, 463));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderBar);
  // Near the bar and the preview window: the preview window, tested later, wins.
  to = docking.SatelliteMoving(kSnapshot, {450, 470}, {332, 114});
  EXPECT_EQ(to, QPoint(450, 463));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderPreview);
  // Near all three: the other dialog, tested last, wins; each test saw the position asked for.
  to = docking.SatelliteMoving(kSnapshot, {460, 472}, {332, 114});
  EXPECT_EQ(to, QPoint(460, 465));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderDialog);
  // Dragged away, it is free again.
  to = docking.SatelliteMoving(kSnapshot, {900, 900}, {332, 114});
  EXPECT_EQ(to, QPoint(900, 900));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kFree);
  EXPECT_EQ(docking.state(kSnapshot).rect, SnapshotAt(900, 900));

  // The configuration dialog tests the bar, the preview window, then the snapshot dialog.
  docking.Opened(kSnapshot, SnapshotAt(720, 350), DockState::kFree);  // bottom 464
  to = docking.SatelliteMoving(kConfig, {710, 470}, {332, 115});
  EXPECT_EQ(to, QPoint(720, 464));
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderDialog);
  docking.Closed(kSnapshot);
  to = docking.SatelliteMoving(kConfig, {710, 470}, {332, 115});
  EXPECT_EQ(to, QPoint(700, 463));
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderPreview);
}

TEST(PreviewDocking, NoDialogDocksUnderThePreviewWindowWhileItIsDockedWideOrGone) {
  PreviewDocking docking = BarAtTestPlace();
  // Docked above the bar (its bottom is the bar's top, 400).
  QPoint to = docking.SatelliteMoving(kSnapshot, {200, 405}, {332, 114});
  EXPECT_EQ(to, QPoint(200, 405));
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kFree);

  docking.SatelliteMoving(kPreview, {700, 187}, {332, 276});
  to = docking.SatelliteMoving(kSnapshot, {705, 470}, {332, 114});
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kUnderPreview);
  // Gone: the dialog under it is free and stays.
  docking.Closed(kPreview);
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kFree);
  EXPECT_EQ(docking.state(kSnapshot).rect.topLeft(), to);
  docking.Opened(kPreview, PreviewAt(700, 187), DockState::kFree);
  docking.SetWide(true);
  docking.SatelliteMoving(kSnapshot, {705, 470}, {332, 114});
  EXPECT_EQ(docking.state(kSnapshot).dock, DockState::kFree);
}

TEST(PreviewDocking, TheWidePreviewWindowNeitherFollowsNorDocks) {
  PreviewDocking docking = BarAtTestPlace();
  ASSERT_EQ(docking.state(kPreview).dock, DockState::kAboveBar);
  docking.SetWide(true);
  EXPECT_TRUE(docking.wide());
  EXPECT_EQ(docking.state(kPreview).dock, DockState::kFree);
  docking.Opened(kPreview, QRect(0, 0, 664, 516), DockState::kFree);

  EXPECT_FALSE(MoveOf(DragBar(docking, QRect(0, 512 + 14, kBarWidth, kBarHeight)), kPreview));
  // Its own drag does not dock it on the bar either: docked it would cover the bar.
  const QPoint to = docking.SatelliteMoving(kPreview, {0, 526 - 272}, {664, 516});
  EXPECT_EQ(to, QPoint(0, 526 - 272));
  EXPECT_EQ(docking.state(kPreview).dock, DockState::kFree);
  EXPECT_FALSE(MoveOf(docking.Redock(), kPreview));
  EXPECT_FALSE(MoveOf(docking.Layout(), kPreview));
  EXPECT_EQ(docking.PreviewPlace(QRect(10, 20, 1600, 1200)), QPoint(10, 20));

  docking.SetWide(false);
  EXPECT_EQ(docking.PreviewPlace(kScreen), docking.bar().topLeft() - QPoint(0, 276));
}

TEST(PreviewDocking, TheBarStepsOutFromUnderTheWidePreviewWindow) {
  const QRect wide(0, 0, 664, 516);
  PreviewDocking docking;
  docking.Start(kScreen, false);  // the bar at 0,276: under the wide window
  EXPECT_EQ(docking.BarClearOf(wide, kScreen), QPoint(0, 516));
  docking.BarMoved(QRect(1500, 300, kBarWidth, kBarHeight));
  // Kept on the screen horizontally while it goes down.
  docking.BarMoved(QRect(500, 300, kBarWidth, kBarHeight));
  EXPECT_EQ(docking.BarClearOf(wide, QRect(0, 0, 800, 600)), QPoint(468, 516));
  // Too short a screen for below, wide enough beside.
  EXPECT_EQ(docking.BarClearOf(wide, QRect(0, 0, 1280, 560)), QPoint(664, 0));
  // Clear already.
  docking.BarMoved(QRect(700, 300, kBarWidth, kBarHeight));
  EXPECT_FALSE(docking.BarClearOf(wide, kScreen));
}

TEST(PreviewDocking, ADoubleClickPutsEverySatelliteAtItsDockingPlace) {
  PreviewDocking docking = BarAtTestPlace();
  docking.SatelliteMoving(kPreview, {900, 50}, {332, 276});
  docking.Opened(kConfig, ConfigAt(20, 900), DockState::kFree);
  Placements moves = docking.Redock();
  EXPECT_EQ(MoveOf(moves, kPreview), QPoint(200, 124));
  EXPECT_FALSE(MoveOf(moves, kSnapshot));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(200, 463));
  EXPECT_EQ(docking.state(kPreview).dock, DockState::kAboveBar);
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderBar);

  docking.Opened(kSnapshot, SnapshotAt(20, 20), DockState::kFree);
  moves = docking.Redock();
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(200, 463));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(200, 577));
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kUnderDialog);
  // Re-docked, they follow.
  moves = docking.BarMoved(kBar.translated(-50, 0));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(150, 577));
}

TEST(PreviewDocking, TheLayoutPlacesDockedSatellitesAndFreesADialogWhosePartnerIsGone) {
  PreviewDocking docking = BarAtTestPlace();
  docking.Opened(kSnapshot, SnapshotAt(214, 463), DockState::kUnderBar);
  docking.Opened(kConfig, ConfigAt(230, 577), DockState::kUnderDialog);
  docking.Opened(kPreview, PreviewAt(210, 124), DockState::kAboveBar);
  Placements moves = docking.Layout();
  EXPECT_EQ(MoveOf(moves, kPreview), QPoint(200, 124));
  EXPECT_EQ(MoveOf(moves, kSnapshot), QPoint(200, 463));
  EXPECT_EQ(MoveOf(moves, kConfig), QPoint(200, 577));

  docking.Closed(kSnapshot);
  moves = docking.Layout();
  EXPECT_FALSE(MoveOf(moves, kConfig));
  EXPECT_EQ(docking.state(kConfig).dock, DockState::kFree);
  EXPECT_EQ(docking.state(kConfig).rect, ConfigAt(200, 577));
  // Free, it no longer follows.
  EXPECT_FALSE(MoveOf(docking.BarMoved(kBar.translated(0, 30)), kConfig));

  // Free and undocked satellites are left alone.
  docking.SatelliteMoving(kPreview, {800, 800}, {332, 276});
  EXPECT_FALSE(MoveOf(docking.Layout(), kPreview));
}

}  // namespace
}  // namespace tavo::preview
