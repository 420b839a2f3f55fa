#include "core/agents/RestartRule.h"
#include "core/base/BootTime.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const WallTime boot = WallTime::fromUnixSeconds(1772460000);

TEST(BootTime, reads_the_boot_time_from_proc_stat)
{
    EXPECT_EQ(parseBootTime("cpu  1 2 3\nintr 5\nctxt 9\nbtime 1772460000\nprocesses 4\n"), boot);
    EXPECT_EQ(parseBootTime("btime\nbtime x\n"), std::nullopt);
    EXPECT_EQ(parseBootTime("cpu 1\n"), std::nullopt);

    // The machine's own: some time after 2020 and not in the future.
    auto real = readBootTime();
    ASSERT_TRUE(real.ok()) << real.error().message();
    EXPECT_GT(real->unixSeconds(), 1577836800);
    EXPECT_LE(*real, SystemClock().now());
}

TEST(RestartRule, offers_sessions_that_were_working_in_the_half_hour_before_a_restart)
{
    AgentTimeline timeline;
    auto record = [&](std::string id, AgentTimeline::State state, double beforeBoot) {
        (void)timeline.record({.id = std::move(id), .agent = "Claude Code", .project = "p", .state = state,
                               .at = boot.plusSeconds(-beforeBoot)});
    };
    record("recent", AgentTimeline::State::working, 600);
    record("long-ago", AgentTimeline::State::working, 1801);
    record("done", AgentTimeline::State::finished, 60);

    EXPECT_EQ(RestartRule::check(std::nullopt, boot, timeline), RestartRule::Check{});
    EXPECT_EQ(RestartRule::check(boot.unixSeconds() + 2, boot, timeline), RestartRule::Check{});
    EXPECT_EQ(RestartRule::check(boot.unixSeconds() - 86400, boot, timeline),
              (RestartRule::Check{true, {"recent"}}));
}

TEST(RestartRule, the_card_stays_a_day_while_an_offered_session_waits)
{
    std::vector<std::string> offered{"a", "b"};
    EXPECT_TRUE(RestartRule::cardVisible(boot, boot.plusSeconds(3600), offered, {"a"}));
    EXPECT_FALSE(RestartRule::cardVisible(boot, boot.plusSeconds(3600), offered, {"a", "b"}));
    EXPECT_FALSE(RestartRule::cardVisible(boot, boot.plusSeconds(RestartRule::cardLifetime), offered, {}));
    EXPECT_FALSE(RestartRule::cardVisible(boot, boot.plusSeconds(10), {}, {}));
}

}  // namespace
}  // namespace corvane
