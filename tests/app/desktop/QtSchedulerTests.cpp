#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/desktop/QtScheduler.h"
#include "tests/app/QtTestApplication.h"

using corvane::app::QtScheduler;
using corvane::testing::runEventsUntil;

TEST(QtScheduler, timers_fire_in_due_order_and_equal_delays_in_the_order_they_were_scheduled)
{
    QtScheduler scheduler;
    std::vector<int> fired;
    scheduler.schedule(0.06, [&] { fired.push_back(3); });
    scheduler.schedule(0.02, [&] { fired.push_back(1); });
    scheduler.schedule(0.02, [&] { fired.push_back(2); });
    scheduler.schedule(0.0, [&] { fired.push_back(0); });

    ASSERT_TRUE(runEventsUntil([&] { return fired.size() == 4; }));
    EXPECT_EQ(fired, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST(QtScheduler, a_cancelled_timer_never_runs_and_unknown_ids_are_ignored)
{
    QtScheduler scheduler;
    bool cancelledRan = false;
    bool laterRan = false;
    auto id = scheduler.schedule(0.01, [&] { cancelledRan = true; });
    scheduler.schedule(0.05, [&] { laterRan = true; });
    scheduler.cancel(id);
    scheduler.cancel(id);
    scheduler.cancel(9999);

    ASSERT_TRUE(runEventsUntil([&] { return laterRan; }));
    EXPECT_FALSE(cancelledRan);
}

TEST(QtScheduler, a_task_that_schedules_itself_again_lets_other_timers_run)
{
    QtScheduler scheduler;
    int rounds = 0;
    bool otherRan = false;
    std::function<void()> again = [&] {
        if (++rounds < 1000)
            scheduler.schedule(0, again);
    };
    scheduler.schedule(0, again);
    scheduler.schedule(0.001, [&] { otherRan = true; });

    ASSERT_TRUE(runEventsUntil([&] { return otherRan; }));
    EXPECT_LT(rounds, 1000);
}

TEST(QtScheduler, tasks_posted_from_another_thread_run_on_the_main_thread_in_posting_order)
{
    QtScheduler scheduler;
    std::vector<int> ran;
    std::atomic<bool> offMain{false};
    auto mainThread = std::this_thread::get_id();
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i) {
            scheduler.post([&, i] {
                if (std::this_thread::get_id() != mainThread)
                    offMain = true;
                ran.push_back(i);
            });
        }
    });
    poster.join();

    ASSERT_TRUE(runEventsUntil([&] { return ran.size() == 50; }));
    EXPECT_FALSE(offMain);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(ran[i], i);
}
