#include <gtest/gtest.h>

#include "core/base/Scheduler.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/QuietMode.h"
#include "core/notch/SettingsStore.h"

using namespace corvane;

namespace {

class QuietModeTest : public ::testing::Test {
protected:
    ManualClock clock{WallTime::fromUnixSeconds(1'700'000'000)};
    ManualScheduler scheduler{clock};
    MemoryDefaultsDomain defaults;
    SettingsStore settings{defaults};
};

}  // namespace

TEST_F(QuietModeTest, quiet_for_a_while_ends_by_itself_and_tells_the_listeners)
{
    QuietMode quiet(settings, scheduler, clock);
    std::vector<bool> heard;
    quiet.addListener([&](bool on) { heard.push_back(on); });

    quiet.set(true, 3600);
    EXPECT_TRUE(settings.get(Keys::quietMode));
    EXPECT_EQ(settings.get(Keys::quietUntil), 1'700'003'600.0);
    EXPECT_EQ(quiet.until(), WallTime::fromUnixSeconds(1'700'003'600));

    scheduler.advance(3599);
    EXPECT_TRUE(quiet.isOn());
    scheduler.advance(1);
    EXPECT_FALSE(quiet.isOn());
    EXPECT_EQ(settings.get(Keys::quietUntil), 0.0);
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));

    quiet.set(true, 60);
    quiet.set(true);  // a new switch replaces the pending end
    scheduler.advance(120);
    EXPECT_TRUE(quiet.isOn());
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(QuietModeTest, a_stored_end_is_kept_across_a_restart_and_one_that_passed_ends_at_launch)
{
    {
        QuietMode before(settings, scheduler, clock);
        before.set(true, 600);
    }
    EXPECT_EQ(scheduler.pendingTimers(), 0u);  // the old instance took its timer with it

    QuietMode after(settings, scheduler, clock);
    EXPECT_EQ(scheduler.nextDelay(), 600);
    scheduler.advance(600);
    EXPECT_FALSE(after.isOn());

    settings.set(Keys::quietMode, true);
    settings.set(Keys::quietUntil, clock.now().unixSeconds() - 1);
    QuietMode late(settings, scheduler, clock);
    EXPECT_FALSE(late.isOn());
    EXPECT_EQ(settings.get(Keys::quietUntil), 0.0);
}

TEST_F(QuietModeTest, a_change_made_elsewhere_moves_the_automatic_end)
{
    QuietMode quiet(settings, scheduler, clock);
    std::vector<bool> heard;
    quiet.addListener([&](bool on) { heard.push_back(on); });

    // As an import or the settings file written by another process would.
    settings.set(Keys::quietMode, true);
    settings.set(Keys::quietUntil, clock.now().unixSeconds() + 30);
    EXPECT_EQ(scheduler.nextDelay(), 30);
    scheduler.advance(30);
    EXPECT_FALSE(quiet.isOn());
    EXPECT_EQ(heard, (std::vector<bool>{true, true, false}));
}
