#include <gtest/gtest.h>

#include "core/base/Scheduler.h"

using namespace corvane;

TEST(ManualScheduler, timers_fire_in_time_order_at_their_own_moment)
{
    ManualClock clock(WallTime::fromUnixSeconds(0));
    ManualScheduler scheduler(clock);
    std::vector<std::pair<std::string, double>> fired;
    scheduler.schedule(5, [&] { fired.emplace_back("five", clock.now().unixSeconds()); });
    scheduler.schedule(2, [&] {
        fired.emplace_back("two", clock.now().unixSeconds());
        scheduler.schedule(1, [&] { fired.emplace_back("three", clock.now().unixSeconds()); });
    });
    auto cancelled = scheduler.schedule(4, [&] { fired.emplace_back("cancelled", 0); });
    scheduler.cancel(cancelled);

    scheduler.advance(10);
    EXPECT_EQ(fired, (std::vector<std::pair<std::string, double>>{{"two", 2}, {"three", 3}, {"five", 5}}));
    EXPECT_DOUBLE_EQ(clock.now().unixSeconds(), 10);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST(ManualScheduler, posted_tasks_wait_for_the_main_loop)
{
    ManualClock clock(WallTime::fromUnixSeconds(0));
    ManualScheduler scheduler(clock);
    int runs = 0;
    scheduler.post([&] { ++runs; });
    EXPECT_EQ(runs, 0);
    scheduler.runPending();
    EXPECT_EQ(runs, 1);
}
