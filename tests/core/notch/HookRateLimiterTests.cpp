#include <gtest/gtest.h>

#include "core/notch/HookRateLimiter.h"

using namespace corvane;

namespace {
WallTime at(double seconds) { return WallTime::fromUnixSeconds(1'700'000'000 + seconds); }
}  // namespace

TEST(HookRateLimiter, one_event_a_second_overall_and_one_per_project_every_twenty_seconds)
{
    HookRateLimiter limiter;
    EXPECT_TRUE(limiter.allow("api", at(0)));
    EXPECT_FALSE(limiter.allow("web", at(0.5)));  // global gap
    EXPECT_TRUE(limiter.allow("web", at(1.0)));
    EXPECT_FALSE(limiter.allow("api", at(19.9)));  // same project too soon; a refusal restarts nothing
    EXPECT_TRUE(limiter.allow("api", at(20.0)));
}

TEST(HookRateLimiter, the_project_map_is_pruned_to_the_recent_window_once_it_passes_capacity)
{
    HookRateLimiter limiter;
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(limiter.allow("p" + std::to_string(i), at(i)));
    EXPECT_EQ(limiter.trackedProjects(), 64u);

    ASSERT_TRUE(limiter.allow("p64", at(64)));
    // Only the projects seen in the last 20 s (45...64) are kept.
    EXPECT_EQ(limiter.trackedProjects(), 20u);
    EXPECT_FALSE(limiter.allow("p46", at(65)));
    EXPECT_TRUE(limiter.allow("p44", at(66)));
}
