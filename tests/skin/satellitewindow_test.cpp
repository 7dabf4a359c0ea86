// A satellite beside its owner, headless: placed without taking the activation, partly hidden
// behind the owner's edge, and following the owner only where it says.
#include "satellitewindow.h"

#include <gtest/gtest.h>

#include <QRegion>

#include "docking.h"

namespace tavo {
namespace {

// Follows at the owner's right edge while `docked`.
class Beside final : public SatelliteWindow {
 public:
  explicit Beside(QWidget* owner) : SatelliteWindow(owner) { setFixedSize(100, 50); }
  using SatelliteWindow::Place;
  using SatelliteWindow::PlaceFromBehind;
  using SatelliteWindow::Withdraw;
  bool docked = true;

 protected:
  std::optional<QPoint> FollowPosition(const QRect& owner) const override {
    if (!docked) return std::nullopt;
    return PlaceBeside(owner);
  }
};

struct Rig {
  Rig() {
    owner.setWindowFlag(Qt::FramelessWindowHint);
    owner.setGeometry(100, 50, 332, 424);
    owner.show();
  }
  QWidget owner;
  Beside satellite{&owner};
};

TEST(SatelliteWindow, IsAToolWindowPlacedWithoutTakingTheActivation) {
  Rig rig;
  EXPECT_TRUE(rig.satellite.windowFlags().testFlag(Qt::Tool));
  EXPECT_TRUE(rig.satellite.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_FALSE(rig.satellite.isVisible());
  EXPECT_EQ(rig.satellite.OwnerRect(), rig.owner.frameGeometry());
  rig.satellite.Place({500, 60});
  EXPECT_TRUE(rig.satellite.isVisible());
  EXPECT_EQ(rig.satellite.pos(), QPoint(500, 60));
  EXPECT_TRUE(rig.satellite.mask().isEmpty());
}

TEST(SatelliteWindow, ThePartBehindTheOwnersEdgeIsMaskedOff) {
  Rig rig;
  rig.satellite.PlaceFromBehind({400, 50}, 432);
  EXPECT_EQ(rig.satellite.mask().boundingRect(), QRect(32, 0, 68, 50));
  rig.satellite.PlaceFromBehind({431, 50}, 432);
  EXPECT_EQ(rig.satellite.mask().boundingRect(), QRect(1, 0, 99, 50));
  rig.satellite.PlaceFromBehind({432, 50}, 432);
  EXPECT_TRUE(rig.satellite.mask().isEmpty());
  rig.satellite.Withdraw();
  EXPECT_FALSE(rig.satellite.isVisible());
}

TEST(SatelliteWindow, FollowsTheOwnerOnlyWhileItHasAPlaceAndTheOwnerShows) {
  Rig rig;
  rig.satellite.Follow();
  EXPECT_EQ(rig.satellite.pos(), QPoint(432, 50));
  EXPECT_TRUE(rig.satellite.isVisible());
  rig.owner.move(200, 80);
  rig.satellite.Follow();
  EXPECT_EQ(rig.satellite.pos(), QPoint(532, 80));

  rig.satellite.docked = false;
  rig.owner.move(0, 0);
  rig.satellite.Follow();
  EXPECT_EQ(rig.satellite.pos(), QPoint(532, 80));

  rig.satellite.docked = true;
  rig.owner.showMinimized();
  rig.satellite.Follow();
  EXPECT_EQ(rig.satellite.pos(), QPoint(532, 80));
}

TEST(SatelliteWindow, WithoutAnOwnerItStaysPut) {
  auto owner = std::make_unique<QWidget>();
  Beside* satellite = new Beside(owner.get());
  QPointer<Beside> alive(satellite);
  owner.reset();  // the owner takes its satellite along
  EXPECT_TRUE(alive.isNull());

  Beside orphan(nullptr);
  EXPECT_TRUE(orphan.OwnerRect().isEmpty());
  orphan.Follow();
  EXPECT_FALSE(orphan.isVisible());
}

}  // namespace
}  // namespace tavo
