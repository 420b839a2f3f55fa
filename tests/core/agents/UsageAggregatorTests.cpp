#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/agents/UsageAggregator.h"

namespace corvane {
namespace {

WallTime at(const char* isoUTC)
{
    std::tm tm{};
    strptime(isoUTC, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return WallTime::fromUnixSeconds(static_cast<double>(timegm(&tm)));
}

UsageRecord call(std::string id, WallTime time, std::int64_t output, std::string model = "claude-sonnet-4-6",
                 std::string session = "s1", AgentKind agent = AgentKind::claudeCode)
{
    return {std::move(id), agent, std::move(model), time, std::move(session), "lunebox", {.output = output}};
}

Calendar berlin() { return Calendar::named("Europe/Berlin").value(); }

TimeRange everything() { return {WallTime::fromUnixSeconds(0), WallTime::fromUnixSeconds(4e9)}; }

TEST(UsageAggregator, the_fullest_copy_of_a_streamed_message_wins_in_either_order)
{
    PriceMemo prices;
    UsageAggregator growing;
    EXPECT_TRUE(growing.add(call("msg_1", at("2026-03-02T10:00:00Z"), 120)));
    EXPECT_TRUE(growing.add(call("msg_1", at("2026-03-02T10:00:01Z"), 480)));
    UsageAggregator shrinking;
    EXPECT_TRUE(shrinking.add(call("msg_1", at("2026-03-02T10:00:01Z"), 480)));
    EXPECT_FALSE(shrinking.add(call("msg_1", at("2026-03-02T10:00:00Z"), 120)));
    EXPECT_FALSE(shrinking.add(call("msg_1", at("2026-03-02T10:00:00Z"), 480)));
    for (const UsageAggregator* store : {&growing, &shrinking}) {
        EXPECT_EQ(store->count(), 1u);
        EXPECT_EQ(store->summary(everything(), std::nullopt, prices).tokens.output, 480);
    }
}

TEST(UsageAggregator, a_fuller_copy_in_another_slot_moves_the_call_there)
{
    PriceMemo prices;
    UsageAggregator store;
    Calendar utc = Calendar::utc();
    store.add(call("msg_1", at("2026-03-02T23:59:00Z"), 10, "claude-sonnet-4-6", "early"));
    store.add(call("msg_1", at("2026-03-03T00:01:00Z"), 20, "claude-sonnet-4-6", "late"));
    auto days = store.daily(2, at("2026-03-03T12:00:00Z"), utc, prices);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].tokens, 0);
    EXPECT_EQ(days[1].tokens, 20);
    EXPECT_EQ(store.summary(everything(), std::nullopt, prices).sessions, 1);
    EXPECT_EQ(store.allRecords().front().sessionID, "late");
}

TEST(UsageAggregator, pruning_drops_calls_before_the_cutoff_even_inside_a_slot)
{
    PriceMemo prices;
    UsageAggregator store;
    store.add(call("old", at("2026-01-01T10:00:00Z"), 5));
    store.add(call("edge-before", at("2026-03-02T10:05:00Z"), 7));
    store.add(call("edge-after", at("2026-03-02T10:10:00Z"), 11));
    store.add(call("new", at("2026-03-03T10:00:00Z"), 13));
    WallTime now = at("2026-05-31T10:07:00Z");
    EXPECT_EQ(store.prune(now.plusSeconds(-usageRetentionSeconds)), 2u);
    EXPECT_EQ(store.count(), 2u);
    EXPECT_EQ(store.summary(everything(), std::nullopt, prices).tokens.output, 24);
    EXPECT_FALSE(store.add(call("edge-after", at("2026-03-02T10:10:00Z"), 11)));
    EXPECT_TRUE(store.add(call("old", at("2026-03-04T10:00:00Z"), 1)));
}

TEST(UsageAggregator, weeks_start_on_monday_and_months_on_the_first_in_the_local_zone)
{
    Calendar calendar = berlin();
    UsagePeriods periods = usagePeriods(at("2026-03-29T21:30:00Z"), calendar);  // Sunday 23:30, summer time
    EXPECT_EQ(periods.today, (TimeRange{at("2026-03-28T23:00:00Z"), at("2026-03-29T22:00:00Z")}));
    EXPECT_EQ(periods.week, (TimeRange{at("2026-03-22T23:00:00Z"), at("2026-03-29T22:00:00Z")}));
    EXPECT_EQ(periods.month, (TimeRange{at("2026-02-28T23:00:00Z"), at("2026-03-31T22:00:00Z")}));
    EXPECT_EQ(usagePeriods(at("2026-12-31T12:00:00Z"), calendar).month.to, at("2026-12-31T23:00:00Z"));

    PriceMemo prices;
    UsageAggregator store;
    store.add(call("monday-00-10", at("2026-03-22T23:10:00Z"), 1));
    store.add(call("sunday-23-50-before", at("2026-03-22T22:50:00Z"), 10));
    store.add(call("february-28-23-50", at("2026-02-28T22:50:00Z"), 100));
    EXPECT_EQ(store.summary(periods.week, std::nullopt, prices).tokens.output, 1);
    EXPECT_EQ(store.summary(periods.month, std::nullopt, prices).tokens.output, 11);
}

TEST(UsageAggregator, summaries_price_known_models_and_count_the_rest_as_unpriced)
{
    PriceMemo prices;
    UsageAggregator store;
    WallTime time = at("2026-03-02T10:00:00Z");
    store.add({"a", AgentKind::claudeCode, "claude-sonnet-4-6", time, "s1", {}, {.input = 1'000'000}});
    store.add({"b", AgentKind::claudeCode, "claude-sonnet-4-6", time, "s2", {}, {.output = 1'000'000}});
    store.add({"c", AgentKind::codex, "gpt-5-codex", time, "s3", {}, {.input = 500, .reasoning = 250}});
    UsageSummary all = store.summary(everything(), std::nullopt, prices);
    EXPECT_DOUBLE_EQ(all.cost, 18.0);
    EXPECT_EQ(all.unpricedTokens, 750);
    EXPECT_EQ(all.sessions, 3);
    UsageSummary codex = store.summary(everything(), AgentKind::codex, prices);
    EXPECT_EQ(codex, (UsageSummary{{.input = 500, .reasoning = 250}, 0, 750, 1}));

    auto models = store.byModel(everything(), prices);
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[0], (ModelUsage{AgentKind::claudeCode, "claude-sonnet-4-6", {.input = 1'000'000, .output = 1'000'000}, 18.0, 2}));
    EXPECT_EQ(models[1], (ModelUsage{AgentKind::codex, "gpt-5-codex", {.input = 500, .reasoning = 250}, std::nullopt, 1}));
}

TEST(UsageAggregator, daily_and_streak_follow_local_days_across_a_missing_day)
{
    Calendar calendar = berlin();
    PriceMemo prices;
    UsageAggregator store;
    store.add(call("d-4", at("2026-03-26T08:00:00Z"), 1));
    store.add(call("d-3", at("2026-03-27T08:00:00Z"), 2));
    store.add(call("d-1", at("2026-03-29T21:59:00Z"), 4));  // 23:59 on the short day
    store.add(call("d", at("2026-03-29T22:00:00Z"), 8));    // midnight
    WallTime today = at("2026-03-30T10:00:00Z");
    auto days = store.daily(5, today, calendar, prices);
    std::vector<DailyUsage> expected{{at("2026-03-25T23:00:00Z"), 1, 0.000015}, {at("2026-03-26T23:00:00Z"), 2, 0.00003},
                                     {at("2026-03-27T23:00:00Z"), 0, 0}, {at("2026-03-28T23:00:00Z"), 4, 0.00006},
                                     {at("2026-03-29T22:00:00Z"), 8, 0.00012}};
    ASSERT_EQ(days.size(), expected.size());
    for (std::size_t i = 0; i < days.size(); ++i) {
        EXPECT_EQ(days[i].day, expected[i].day) << i;
        EXPECT_EQ(days[i].tokens, expected[i].tokens) << i;
        EXPECT_NEAR(days[i].cost, expected[i].cost, 1e-12) << i;
    }
    EXPECT_EQ(store.streak(today, calendar), 2);
    EXPECT_EQ(store.streak(at("2026-03-27T20:00:00Z"), calendar), 2);
    EXPECT_EQ(store.streak(at("2026-03-28T12:00:00Z"), calendar), 0);
    EXPECT_EQ(store.streak(at("2026-04-02T12:00:00Z"), calendar), 0);
}

TEST(UsageAggregator, heatmap_levels_are_relative_to_the_largest_cell_which_names_the_busiest_time)
{
    Calendar utc = Calendar::utc();
    PriceMemo prices;
    UsageAggregator store;
    store.add(call("tue-14-a", at("2026-03-03T14:00:00Z"), 600, "claude-sonnet-4-6", "s1"));
    store.add(call("tue-14-b", at("2026-03-03T14:40:00Z"), 400, "claude-sonnet-4-6", "s2"));
    store.add(call("wed-02", at("2026-03-04T02:00:00Z"), 751, "gpt-5-codex", "s3", AgentKind::codex));
    store.add(call("mon-09", at("2026-03-02T09:00:00Z"), 1, "claude-sonnet-4-6", "s1"));
    store.add(call("too-old", at("2026-02-22T09:00:00Z"), 5000));
    UsageHeatmap map = store.heatmap(1, at("2026-03-08T18:00:00Z"), utc, prices);
    ASSERT_EQ(map.cells.size(), 168u);
    const auto& tuesday = map.cells[1 * 24 + 14];
    EXPECT_EQ(tuesday.tokens, 1000);
    EXPECT_EQ(tuesday.sessions, 2);
    EXPECT_NEAR(tuesday.cost, 0.015, 1e-12);
    EXPECT_EQ(tuesday.level, 4);
    EXPECT_EQ(map.cells[2 * 24 + 2].level, 4);
    EXPECT_EQ(map.cells[0 * 24 + 9].level, 1);
    EXPECT_EQ(map.cells[0 * 24 + 10].level, 0);
    EXPECT_EQ(map.totalTokens, 1752);
    EXPECT_EQ(map.totalSessions, 3);
    EXPECT_EQ(map.busiest, "Tuesday afternoons");

    UsageAggregator nights;
    nights.add(call("sun-23", at("2026-03-08T23:00:00Z"), 1));
    EXPECT_EQ(nights.heatmap(1, at("2026-03-08T23:30:00Z"), utc, prices).busiest, "Sunday nights");
    EXPECT_EQ(UsageAggregator().heatmap(4, at("2026-03-08T23:30:00Z"), utc, prices).busiest, std::nullopt);
}

TEST(UsageAggregator, names_are_interned_once_and_records_read_back)
{
    UsageAggregator store;
    store.add({"a", AgentKind::codex, "gpt-5-codex", at("2026-03-02T10:00:00Z"), "s1", "lunebox", {.input = 3}});
    store.add({"b", AgentKind::codex, "gpt-5-codex", at("2026-03-02T11:00:00Z"), "s1", std::nullopt, {.input = 4}});
    EXPECT_EQ(store.nameCount(), 3u);
    auto records = store.allRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].key, usageRecordKey("a"));
    EXPECT_EQ(records[0].project, "lunebox");
    EXPECT_EQ(records[1].project, std::nullopt);
    EXPECT_EQ(records[1].model, "gpt-5-codex");
    EXPECT_EQ(records[1].timestamp, at("2026-03-02T11:00:00Z"));
}

TEST(UsageAggregator, ids_differing_only_in_length_or_trailing_zero_bytes_get_different_keys)
{
    std::set<std::uint64_t> keys;
    std::string id;
    for (int length = 0; length < 40; ++length, id.push_back('\0'))
        EXPECT_TRUE(keys.insert(usageRecordKey(id)).second) << length;
    for (int i = 0; i < 100000; ++i)
        ASSERT_TRUE(keys.insert(usageRecordKey("msg_01" + std::to_string(i * 7919))).second) << i;
}

TEST(UsageAggregator, a_batch_with_its_keys_stores_what_one_add_after_another_would)
{
    std::mt19937 random(3);
    std::vector<UsageRecord> batch;
    for (int i = 0; i < 3000; ++i)
        batch.push_back(call("msg_" + std::to_string(random() % 1000), at("2026-03-02T10:00:00Z"),
                             static_cast<std::int64_t>(random() % 100)));
    std::vector<std::uint64_t> keys;
    for (const UsageRecord& record : batch)
        keys.push_back(usageRecordKey(record.id));

    UsageAggregator oneByOne;
    std::vector<bool> expected;
    for (const UsageRecord& record : batch)
        expected.push_back(oneByOne.add(record));
    UsageAggregator batched;
    std::vector<bool> taken(batch.size(), false);
    batched.addAll(batch, keys, [&](UsageRecord& record) { taken[static_cast<std::size_t>(&record - batch.data())] = true; });

    EXPECT_EQ(taken, expected);
    PriceMemo prices;
    EXPECT_EQ(batched.count(), oneByOne.count());
    EXPECT_EQ(batched.summary(everything(), std::nullopt, prices), oneByOne.summary(everything(), std::nullopt, prices));
}

// Many adds, replacements and prunes against a plain map of the same calls.
TEST(UsageAggregator, stays_consistent_with_a_plain_map_through_growth_replacement_and_pruning)
{
    std::mt19937 random(7);
    PriceMemo prices;
    UsageAggregator store;
    std::map<std::string, UsageRecord> reference;
    WallTime start = at("2026-01-01T00:00:00Z");
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 4000; ++i) {
            std::string id = "msg_" + std::to_string(random() % 6000);
            UsageRecord record = call(id, start.plusSeconds(static_cast<double>(random() % (30 * 86400))),
                                      static_cast<std::int64_t>(random() % 1000), "claude-sonnet-4-6", "s" + std::to_string(random() % 50));
            auto [found, inserted] = reference.try_emplace(id, record);
            bool changed = inserted || found->second.usage.total() < record.usage.total();
            if (changed)
                found->second = record;
            ASSERT_EQ(store.add(record), changed);
        }
        WallTime cutoff = start.plusSeconds(round * 5.0 * 86400 + 450);
        std::erase_if(reference, [&](const auto& entry) { return entry.second.timestamp < cutoff; });
        store.prune(cutoff);
        ASSERT_EQ(store.count(), reference.size());
        std::int64_t output = 0;
        for (const auto& [id, record] : reference)
            output += record.usage.output;
        ASSERT_EQ(store.summary(everything(), std::nullopt, prices).tokens.output, output);
    }
}

}  // namespace
}  // namespace corvane
