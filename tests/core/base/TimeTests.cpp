#include <gtest/gtest.h>

#include "core/base/Time.h"

using namespace corvane;

TEST(Time, stored_dates_count_from_2001_while_settings_count_from_1970)
{
    auto time = WallTime::fromReferenceSeconds(0);
    EXPECT_DOUBLE_EQ(time.unixSeconds(), 978307200.0);
    EXPECT_EQ(iso8601(time), "2001-01-01T00:00:00Z");
}

TEST(Time, day_boundaries_follow_the_calendar_zone_not_utc)
{
    auto berlin = Calendar::named("Europe/Berlin");
    ASSERT_TRUE(berlin.ok());
    // 23:30 UTC on 1 March is already 2 March in Berlin.
    auto lateUtc = WallTime::fromUnixSeconds(1772407800);  // 2026-03-01T23:30:00Z
    EXPECT_EQ(berlin->components(lateUtc).day, 2);
    EXPECT_EQ(Calendar::utc().components(lateUtc).day, 1);
    EXPECT_EQ(iso8601(berlin->startOfDay(lateUtc)), "2026-03-01T23:00:00Z");
    EXPECT_EQ(compactStamp(lateUtc, *berlin), "20260302-003000");
}

TEST(Time, start_of_day_survives_a_daylight_saving_change)
{
    auto berlin = Calendar::named("Europe/Berlin");
    ASSERT_TRUE(berlin.ok());
    auto afternoon = WallTime::fromUnixSeconds(1774796400);  // 2026-03-29T15:00:00Z, the spring-forward day
    EXPECT_EQ(iso8601(berlin->startOfDay(afternoon)), "2026-03-28T23:00:00Z");
    EXPECT_TRUE(berlin->isSameDay(afternoon, afternoon.plusSeconds(-16 * 3600)));  // 00:00 CET
    EXPECT_FALSE(berlin->isSameDay(afternoon, afternoon.plusSeconds(-17 * 3600)));
}

TEST(Time, manual_clock_moves_wall_and_monotonic_time_together)
{
    ManualClock clock(WallTime::fromUnixSeconds(100));
    auto before = clock.monotonicNow();
    clock.advance(2.5);
    EXPECT_DOUBLE_EQ(clock.now().unixSeconds(), 102.5);
    EXPECT_NEAR(std::chrono::duration<double>(clock.monotonicNow() - before).count(), 2.5, 1e-9);
}
