#include "core/agents/AgentActivity.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const WallTime start = WallTime::fromUnixSeconds(1772356500);

TEST(AgentActivity, a_transcript_written_every_few_seconds_stays_working_then_finishes_30_seconds_after_its_last_write)
{
    ManualClock clock(start);
    AgentActivity activity = AgentActivity::live(20);
    EXPECT_EQ(activity.observe(start, true, clock.now()), AgentPhase::working(start));

    WallTime lastWrite = start;
    for (int tick = 0; tick < 6; ++tick) {
        clock.advance(5);
        lastWrite = clock.now();
        EXPECT_EQ(activity.observe(lastWrite, true, clock.now()), std::nullopt) << "tick " << tick;
    }
    EXPECT_EQ(activity.phase(), AgentPhase::working(start));

    clock.advance(25);  // past the working window, short of finishing
    EXPECT_EQ(activity.observe(lastWrite, true, clock.now()), std::nullopt);
    clock.advance(5);
    EXPECT_EQ(activity.observe(lastWrite, true, clock.now()), AgentPhase::finished(lastWrite, 30));
}

TEST(AgentActivity, a_finished_session_whose_process_stays_alive_becomes_stuck_after_the_setting)
{
    AgentActivity activity = AgentActivity::live(20);
    (void)activity.observe(start, true, start);
    (void)activity.observe(start, true, start.plusSeconds(30));
    EXPECT_EQ(activity.observe(start, true, start.plusSeconds(20 * 60 - 1)), std::nullopt);
    EXPECT_EQ(activity.observe(start, true, start.plusSeconds(20 * 60)), AgentPhase::stuck(start));
    EXPECT_EQ(activity.observe(start, false, start.plusSeconds(21 * 60)), AgentPhase::idle());
}

TEST(AgentActivity, the_stuck_setting_is_five_minutes_below_six_and_at_most_two_hours)
{
    EXPECT_EQ(AgentActivity::stuckAfterSeconds(0), 300);
    EXPECT_EQ(AgentActivity::stuckAfterSeconds(5), 300);
    EXPECT_EQ(AgentActivity::stuckAfterSeconds(6), 360);
    EXPECT_EQ(AgentActivity::stuckAfterSeconds(120), 7200);
    EXPECT_EQ(AgentActivity::stuckAfterSeconds(500), 7200);
}

TEST(AgentActivity, a_finished_agent_whose_process_ends_goes_idle_and_a_new_write_starts_a_new_run)
{
    AgentActivity activity = AgentActivity::live(20);
    (void)activity.observe(start, true, start);
    (void)activity.observe(start, true, start.plusSeconds(40));
    EXPECT_EQ(activity.observe(start, false, start.plusSeconds(50)), AgentPhase::idle());

    WallTime again = start.plusSeconds(600);
    EXPECT_EQ(activity.observe(again, true, again.plusSeconds(1)), AgentPhase::working(again));
    // Without a last write, a live process keeps its phase; a gone one goes idle.
    EXPECT_EQ(activity.observe(std::nullopt, true, again.plusSeconds(2)), std::nullopt);
    EXPECT_EQ(activity.observe(std::nullopt, false, again.plusSeconds(3)), AgentPhase::idle());
}

}  // namespace
}  // namespace corvane
