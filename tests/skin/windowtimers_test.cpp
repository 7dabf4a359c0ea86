// A window's numbered timers: periods, restarts, kills, the shared handler and a timer's own
// callback, and no tick after the timers or their owner are gone.
#include "windowtimers.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <vector>

namespace tavo {
namespace {

TEST(WindowTimers, TicksReachTheHandlerWithTheirIdUntilKilled) {
  QObject owner;
  std::vector<int> ticks;
  WindowTimers timers(&owner, [&](int id) { ticks.push_back(id); });
  EXPECT_FALSE(timers.active(3));
  EXPECT_EQ(timers.interval(3), 0);
  timers.Kill(3);  // never set: nothing happens

  timers.Set(3, 5);
  EXPECT_TRUE(timers.active(3));
  EXPECT_EQ(timers.interval(3), 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 2; }, 2000));
  EXPECT_EQ(ticks[0], 3);
  EXPECT_EQ(ticks[1], 3);  // repeating, as a window timer does

  timers.Set(3, 40);  // a running timer starts over with its new period
  EXPECT_EQ(timers.interval(3), 40);
  timers.Kill(3);
  EXPECT_FALSE(timers.active(3));
  EXPECT_EQ(timers.interval(3), 40);
  ticks.clear();
  QTest::qWait(60);
  EXPECT_TRUE(ticks.empty());
}

TEST(WindowTimers, ATimerWithItsOwnCallbackLeavesTheOthersToTheHandler) {
  QObject owner;
  std::vector<int> shared;
  int own = 0;
  WindowTimers timers(&owner, [&](int id) { shared.push_back(id); });
  timers.Set(1, 5, [&] {
    ++own;
    timers.Kill(1);
  });
  timers.Set(2, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return own == 1 && !shared.empty(); }, 2000));
  EXPECT_EQ(shared.front(), 2);
  for (int id : shared) EXPECT_EQ(id, 2);
  EXPECT_FALSE(timers.active(1));
  EXPECT_TRUE(timers.active(2));
}

TEST(WindowTimers, NoTickAfterTheTimersOrTheirOwnerAreGone) {
  int ticks = 0;
  auto owner = std::make_unique<QObject>();
  auto timers = std::make_unique<WindowTimers>(owner.get(), [&](int) { ++ticks; });
  timers->Set(0, 1);
  timers.reset();
  QTest::qWait(20);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(owner->children().isEmpty());

  WindowTimers outliving(owner.get(), [&](int) { ++ticks; });
  outliving.Set(0, 1);
  owner.reset();  // takes its timers along
  EXPECT_FALSE(outliving.active(0));
  EXPECT_EQ(outliving.interval(0), 0);
  outliving.Kill(0);
  QTest::qWait(20);
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace tavo
