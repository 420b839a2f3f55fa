#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/agents/BurnEstimator.h"
#include "core/agents/LimitAlertTracker.h"
#include "core/agents/LimitAlerts.h"
#include "core/agents/LimitIngest.h"
#include "core/agents/LimitPace.h"
#include "core/agents/NearLimit.h"
#include "core/agents/ProviderUsage.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

const WallTime t0 = WallTime::fromUnixSeconds(1772359200);  // 2026-03-01T10:00:00Z, a Sunday
constexpr double staleAfter = 15 * 60;
using Level = LimitAlertTracker::Level;
using Alert = LimitAlertTracker::Alert;

UsageWindow window(std::string id, double percent, WallTime observedAt, std::optional<WallTime> resetsAt)
{
    return UsageWindow{id, id == "h5" ? "5 h" : "7 d", percent, resetsAt, std::nullopt, "test", observedAt};
}

ProviderUsage claude(std::vector<UsageWindow> windows)
{
    return ProviderUsage{AIProviderID::claudeCode, std::move(windows), std::nullopt, t0, std::nullopt};
}

TEST(UsageWindow, freshness_follows_the_age_the_reset_and_readings_from_the_future)
{
    const WallTime reset = t0.plusSeconds(3600);
    EXPECT_EQ(window("h5", 10, t0, reset).freshness(t0.plusSeconds(staleAfter), staleAfter), WindowFreshness::fresh());
    EXPECT_EQ(window("h5", 10, t0, reset).freshness(t0.plusSeconds(staleAfter + 1), staleAfter),
              WindowFreshness::stale(t0));
    EXPECT_EQ(window("h5", 10, t0, reset).freshness(reset, staleAfter), WindowFreshness::resetWaiting());
    // Three minutes ahead of the clock is not believed; one minute is.
    EXPECT_EQ(window("h5", 10, t0.plusSeconds(180), reset).freshness(t0, staleAfter),
              WindowFreshness::stale(t0.plusSeconds(180)));
    EXPECT_EQ(window("h5", 10, t0.plusSeconds(60), reset).freshness(t0, staleAfter), WindowFreshness::fresh());
}

TEST(ProviderUsage, current_drops_reset_windows_and_actionable_keeps_only_fresh_ones)
{
    ProviderUsage usage = claude({window("h5", 10, t0, t0.plusSeconds(60)), window("d7", 20, t0.plusSeconds(-3600), {}),
                                  window("o", 30, t0, {})});
    const WallTime now = t0.plusSeconds(120);
    ASSERT_EQ(usage.current(now).windows.size(), 2u);
    EXPECT_EQ(usage.current(now).windows[0].id, "d7");
    ASSERT_EQ(usage.actionable(now, staleAfter).windows.size(), 1u);
    EXPECT_EQ(usage.actionable(now, staleAfter).windows[0].id, "o");
}

TEST(LimitWindowText, status_texts)
{
    Calendar utc = Calendar::utc();
    EXPECT_EQ(LimitWindowText::status(WindowFreshness::stale(t0.plusSeconds(5 * 60)), utc), "as of 10:05");
    EXPECT_EQ(LimitWindowText::status(WindowFreshness::fresh(), utc), std::nullopt);
    EXPECT_EQ(LimitWindowText::status(WindowFreshness::resetWaiting(), utc), "Reset · waiting for new data");
}

TEST(BurnEstimator, a_steady_climb_gives_the_moment_the_window_is_full)
{
    BurnEstimator burn;
    // 1 % per minute from 40 %, over ten minutes: full 50 minutes after the last reading.
    for (int minute = 0; minute <= 10; ++minute)
        burn.record("h5", 40 + minute, t0.plusSeconds(minute * 60), t0.plusSeconds(5 * 3600));
    const WallTime now = t0.plusSeconds(600);
    EXPECT_EQ(burn.estimate("h5", now), BurnEstimator::Estimate::fullAt(t0.plusSeconds(600 + 50 * 60)));
    // The same pace with the reset before that moment.
    BurnEstimator early;
    for (int minute = 0; minute <= 10; ++minute)
        early.record("h5", 40 + minute, t0.plusSeconds(minute * 60), t0.plusSeconds(1800));
    EXPECT_EQ(early.estimate("h5", now), BurnEstimator::Estimate::resetsFirst());
}

TEST(BurnEstimator, short_flat_or_old_series_say_nothing)
{
    BurnEstimator burn;
    burn.record("short", 10, t0, std::nullopt);
    burn.record("short", 20, t0.plusSeconds(299), std::nullopt);
    EXPECT_EQ(burn.estimate("short", t0.plusSeconds(299)), BurnEstimator::Estimate::unknown());
    burn.record("flat", 10, t0, std::nullopt);
    burn.record("flat", 10, t0.plusSeconds(600), std::nullopt);
    EXPECT_EQ(burn.estimate("flat", t0.plusSeconds(600)), BurnEstimator::Estimate::unknown());
    // A climb that happened more than half an hour ago is out of the horizon.
    burn.record("old", 10, t0, std::nullopt);
    burn.record("old", 30, t0.plusSeconds(600), std::nullopt);
    EXPECT_NE(burn.estimate("old", t0.plusSeconds(600)), BurnEstimator::Estimate::unknown());
    EXPECT_EQ(burn.estimate("old", t0.plusSeconds(2000)), BurnEstimator::Estimate::unknown());
    EXPECT_EQ(burn.estimate("missing", t0), BurnEstimator::Estimate::unknown());
}

TEST(BurnEstimator, a_new_window_or_a_drop_starts_a_new_series_and_repeats_replace_the_last_sample)
{
    BurnEstimator burn;
    burn.record("h5", 50, t0, t0.plusSeconds(3600));
    burn.record("h5", 50, t0.plusSeconds(20), t0.plusSeconds(3630));
    ASSERT_EQ(burn.series["h5"].samples.size(), 1u);
    EXPECT_EQ(burn.series["h5"].samples[0].at, t0.plusSeconds(20));
    burn.record("h5", 51, t0.plusSeconds(40), t0.plusSeconds(3600));
    EXPECT_EQ(burn.series["h5"].samples.size(), 2u);
    burn.record("h5", 45, t0.plusSeconds(60), t0.plusSeconds(3600));  // more than 5 points down
    EXPECT_EQ(burn.series["h5"].samples.size(), 1u);
    burn.record("h5", 46, t0.plusSeconds(80), t0.plusSeconds(3600 + 7200));  // reset moved by two hours
    EXPECT_EQ(burn.series["h5"].samples.size(), 1u);
    EXPECT_EQ(burn.series["h5"].resetsAt, t0.plusSeconds(3600 + 7200));
    for (int i = 0; i < 100; ++i)
        burn.record("h5", 46 + i * 0.1, t0.plusSeconds(100 + i * 60), t0.plusSeconds(3600 + 7200));
    EXPECT_EQ(burn.series["h5"].samples.size(), BurnEstimator::cap);
}

TEST(LimitPace, lines)
{
    Calendar utc = Calendar::utc();
    using Estimate = BurnEstimator::Estimate;
    EXPECT_EQ(LimitPace::line(100, t0.plusSeconds(2 * 3600 + 15 * 60), Estimate::unknown(), t0, utc),
              (LimitPace::Line{"Limit reached — resets in 2 h 15 min", true}));
    EXPECT_EQ(LimitPace::line(100, std::nullopt, Estimate::unknown(), t0, utc), (LimitPace::Line{"Limit reached", true}));
    EXPECT_EQ(LimitPace::line(42.4, std::nullopt, Estimate::unknown(), t0, utc).text,
              "58% left — the pace shows while you work");
    EXPECT_EQ(LimitPace::line(42, std::nullopt, Estimate::resetsFirst(), t0, utc),
              (LimitPace::Line{"Plenty left at this pace", false}));
    EXPECT_EQ(LimitPace::line(42, std::nullopt, Estimate::fullAt(t0.plusSeconds(90 * 60)), t0, utc),
              (LimitPace::Line{"At this pace, full at 11:30", true}));
    EXPECT_EQ(LimitPace::moment(t0.plusSeconds(86400), t0, utc), "Mon 10:00");
    EXPECT_EQ(LimitPace::duration(20), "1 min");
    EXPECT_EQ(LimitPace::duration(3 * 86400 + 4 * 3600), "3 d 4 h");
}

TEST(LimitAlertTracker, each_level_is_announced_once_per_window)
{
    LimitAlertTracker tracker;
    const std::vector<int> thresholds{75, 90};
    const WallTime reset = t0.plusSeconds(3600);
    EXPECT_TRUE(tracker.update("k", 70, reset, thresholds, true).empty());
    EXPECT_EQ(tracker.update("k", 80, reset, thresholds, true), std::vector{Alert::crossed(Level::warn, 80)});
    EXPECT_TRUE(tracker.update("k", 85, reset, thresholds, true).empty());
    EXPECT_EQ(tracker.update("k", 95, reset, thresholds, true), std::vector{Alert::crossed(Level::high, 95)});
    EXPECT_EQ(tracker.update("k", 100, reset, thresholds, true), std::vector{Alert::crossed(Level::reached, 100)});
    EXPECT_TRUE(tracker.update("k", 100, reset, thresholds, true).empty());
    EXPECT_TRUE(tracker.states["k"].reachedFirst);
}

TEST(LimitAlertTracker, a_jump_announces_only_the_highest_level_and_a_dip_nothing)
{
    LimitAlertTracker tracker;
    const WallTime reset = t0.plusSeconds(3600);
    EXPECT_EQ(tracker.update("k", 10, reset, {75, 90}, true), std::vector<Alert>{});
    EXPECT_EQ(tracker.update("k", 96, reset, {75, 90}, true), std::vector{Alert::crossed(Level::high, 96)});
    EXPECT_TRUE(tracker.update("k", 80, reset, {75, 90}, true).empty());
}

TEST(LimitAlertTracker, thresholds_default_per_level)
{
    EXPECT_EQ(LimitAlertTracker::threshold(Level::warn, {}), 75);
    EXPECT_EQ(LimitAlertTracker::threshold(Level::high, {}), 90);
    EXPECT_EQ(LimitAlertTracker::threshold(Level::warn, {60}), 60);
    EXPECT_EQ(LimitAlertTracker::threshold(Level::high, {60}), 90);
    EXPECT_EQ(LimitAlertTracker::threshold(Level::high, {50, 70, 80}), 70);
    EXPECT_EQ(LimitAlertTracker::threshold(Level::reached, {50, 70}), 100);
}

TEST(LimitAlertTracker, a_reset_time_moved_by_seconds_is_the_same_window_and_by_hours_a_new_one)
{
    LimitAlertTracker tracker;
    const WallTime reset = t0.plusSeconds(3600);
    (void)tracker.update("k", 100, reset, {}, true);
    EXPECT_TRUE(tracker.update("k", 100, reset.plusSeconds(30), {}, true).empty());
    EXPECT_EQ(tracker.update("k", 5, reset.plusSeconds(7200), {}, true), std::vector{Alert::reset()});
    EXPECT_FALSE(tracker.states["k"].reachedFirst);
    // Without reset alerts, or when the old window never reached its limit, the new window starts quietly.
    (void)tracker.update("k", 100, reset.plusSeconds(7200), {}, true);
    EXPECT_TRUE(tracker.update("k", 5, reset.plusSeconds(14400), {}, false).empty());
    (void)tracker.update("k", 80, reset.plusSeconds(14400), {}, true);
    EXPECT_TRUE(tracker.update("k", 5, reset.plusSeconds(21600), {}, true).empty());
}

TEST(LimitAlertTracker, expire_drops_past_windows_and_says_which_reset_after_reaching_the_limit)
{
    LimitAlertTracker tracker;
    (void)tracker.update("full", 100, t0.plusSeconds(60), {}, true);
    (void)tracker.update("half", 50, t0.plusSeconds(60), {}, true);
    (void)tracker.update("later", 50, t0.plusSeconds(600), {}, true);
    EXPECT_EQ(tracker.nextReset(), t0.plusSeconds(60));
    auto expired = tracker.expire(t0.plusSeconds(60), true);
    EXPECT_EQ(expired, (std::vector<LimitAlertTracker::Expired>{{"full", true}, {"half", false}}));
    EXPECT_EQ(tracker.states.size(), 1u);
    EXPECT_EQ(tracker.nextReset(), t0.plusSeconds(600));
}

TEST(LimitAlertTracker, survives_a_reload_and_a_corrupt_file_is_moved_aside)
{
    testing::TemporaryFolder folder;
    Calendar utc = Calendar::utc();
    JsonStoreFile file = LimitAlertTracker::file(folder.path());
    LimitAlertTracker tracker;
    (void)tracker.update("claudeCode:h5", 95, t0.plusSeconds(3600), {75, 90}, true);
    ASSERT_TRUE(tracker.save(file).ok());
    EXPECT_EQ(std::filesystem::status(file.path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    LimitAlertTracker reloaded = LimitAlertTracker::load(file, t0, utc);
    EXPECT_EQ(reloaded, tracker);
    EXPECT_TRUE(reloaded.update("claudeCode:h5", 96, t0.plusSeconds(3600), {75, 90}, true).empty());

    std::ofstream(file.path()) << R"({"states": [1, 2)";
    EXPECT_EQ(LimitAlertTracker::load(file, t0, utc), LimitAlertTracker{});
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "ai-limit-alerts.json.corrupt-20260301-100000"));
    std::ofstream(file.path()) << R"({"states": {"bad": {"fired": 3}, "ok": {"fired": [0]}}})";
    EXPECT_EQ(LimitAlertTracker::load(file, t0, utc).states.size(), 1u);
}

TEST(LimitIngest, plans_alerts_for_fresh_windows_only)
{
    LimitAlertTracker tracker;
    ProviderUsage usage = claude({window("h5", 92, t0, t0.plusSeconds(3600)),
                                  window("d7", 99, t0.plusSeconds(-3600), t0.plusSeconds(86400))});
    usage.account = ClaudeAccount{"abc", std::nullopt};
    LimitIngest::Plan plan = LimitIngest::plan({usage}, t0, staleAfter, tracker, {75, 90}, true);
    ASSERT_EQ(plan.alerts.size(), 1u);
    EXPECT_EQ(plan.alerts[0].alert, Alert::crossed(Level::high, 92));
    EXPECT_EQ(plan.alerts[0].window.id, "h5");
    ASSERT_EQ(plan.samples.size(), 1u);
    EXPECT_EQ(plan.samples[0].key, "claudeCode:abc:h5");
    EXPECT_EQ(LimitIngest::provider(plan.samples[0].key), AIProviderID::claudeCode);
    EXPECT_EQ(LimitIngest::label("claudeCode:abc:d7", {usage}), "7 d");
}

TEST(LimitIngest, next_wake_is_the_earliest_future_reset_or_staleness)
{
    ProviderUsage usage = claude({window("h5", 10, t0, t0.plusSeconds(3600)),
                                  window("d7", 10, t0.plusSeconds(-60), t0.plusSeconds(86400))});
    // The 7 d reading turns stale first: 15 minutes after it was taken.
    EXPECT_EQ(LimitIngest::nextWake({usage}, std::nullopt, t0, staleAfter), t0.plusSeconds(staleAfter - 60));
    EXPECT_EQ(LimitIngest::nextWake({usage}, t0.plusSeconds(300), t0, staleAfter), t0.plusSeconds(300));
    // Once both are stale only the resets remain; a past tracker reset does not count.
    EXPECT_EQ(LimitIngest::nextWake({usage}, t0.plusSeconds(-5), t0.plusSeconds(1800), staleAfter),
              t0.plusSeconds(3600));
    EXPECT_EQ(LimitIngest::nextWake({}, std::nullopt, t0, staleAfter), std::nullopt);
}

TEST(NearLimit, picks_the_fullest_fresh_window_and_keeps_the_previous_within_the_margin)
{
    ProviderUsage usage = claude({window("h5", 80, t0, {}), window("d7", 84, t0, {})});
    ProviderUsage codex{AIProviderID::codex, {window("h5", 99, t0.plusSeconds(-3600), {})}, std::nullopt, t0, {}};
    auto first = NearLimit::pick({usage, codex}, 75, t0, staleAfter, std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->window.id, "d7");
    usage.windows[0].usedPercent = 89;  // 5 points ahead is not enough
    EXPECT_EQ(NearLimit::pick({usage}, 75, t0, staleAfter, first)->window.id, "d7");
    usage.windows[0].usedPercent = 89.5;
    EXPECT_EQ(NearLimit::pick({usage}, 75, t0, staleAfter, first)->window.id, "h5");
    EXPECT_EQ(NearLimit::pick({usage}, 95, t0, staleAfter, first), std::nullopt);

    Activity ear = NearLimit::activity(*first, t0);
    EXPECT_EQ(ear.id, "ai.limit");
    EXPECT_EQ(ear.left, EarContent::symbolText("gauge.with.needle", "7d"));
}

TEST(LimitAlerts, posts_name_the_provider_the_window_the_level_and_the_reset)
{
    Calendar utc = Calendar::utc();
    UsageWindow h5 = window("h5", 91, t0, t0.plusSeconds(3600));
    AlertPost high = LimitAlerts::crossed(AIProviderID::claudeCode, h5, Level::high, 91.4, t0, utc);
    EXPECT_EQ(high.kind, "ai.limitHigh");
    EXPECT_EQ(high.title, "Claude Code · 5 h");
    EXPECT_EQ(high.body, "91% of the 5 h limit · Resets 11:00");
    ASSERT_TRUE(high.card);
    EXPECT_EQ(high.card->symbol, "gauge.with.needle");
    EXPECT_EQ(high.card->badge, "High");
    EXPECT_EQ(high.card->context, "Resets 11:00");

    AlertPost reached = LimitAlerts::crossed(AIProviderID::codex, h5, Level::reached, 100, t0, utc);
    EXPECT_EQ(reached.kind, "ai.limitReached");
    EXPECT_EQ(reached.card->headline, "100% of the 5 h limit reached");

    AlertPost reset = LimitAlerts::post({Alert::reset(), h5, AIProviderID::claudeCode}, t0, utc);
    EXPECT_EQ(reset.kind, "ai.limitReset");
    EXPECT_EQ(reset.body, "Reset");
    EXPECT_EQ(reset.card->symbol, "arrow.counterclockwise");
    EXPECT_EQ(LimitAlerts::kind(Level::warn), "ai.limitWarn");
}

}  // namespace
}  // namespace corvane
