#include <gtest/gtest.h>

#include "core/notch/AlertHistory.h"

using namespace corvane;

namespace {

const WallTime noon = WallTime::fromUnixSeconds(1773144000);  // 2026-03-10 12:00 UTC

AlertRecord at(WallTime date, std::string kind = "docker.exit", std::string title = "web exited")
{
    return AlertRecord{Uuid::random(), std::move(kind), "docker", std::move(title), "", date, std::nullopt};
}

}  // namespace

TEST(AlertHistory, appending_the_101st_record_drops_exactly_the_oldest)
{
    AlertHistory history;
    for (int i = 0; i < 100; ++i)
        history.append(at(noon.plusSeconds(i)));
    Uuid oldest = history.records.back().id;
    Uuid secondOldest = history.records[98].id;

    AlertRecord newest = at(noon.plusSeconds(100));
    EXPECT_TRUE(history.append(newest));
    ASSERT_EQ(history.records.size(), 100u);
    EXPECT_EQ(history.records.front(), newest);
    EXPECT_EQ(history.records.back().id, secondOldest);
    EXPECT_NE(history.records.back().id, oldest);
}

TEST(AlertHistory, kinds_without_history_never_enter_but_unknown_kinds_do)
{
    AlertHistory history;
    EXPECT_FALSE(history.append(at(noon, "clipboard.copied")));
    EXPECT_TRUE(history.append(at(noon, "someone.elses")));
    EXPECT_EQ(history.records.size(), 1u);
}

TEST(AlertHistory, unread_follows_last_seen_which_only_moves_forward)
{
    AlertHistory history;
    history.append(at(noon.plusSeconds(-60)));
    history.append(at(noon.plusSeconds(60)));
    EXPECT_EQ(history.unread(), 2);
    history.markAllRead(noon);
    EXPECT_EQ(history.unread(), 1);
    history.markAllRead(noon.plusSeconds(-3600));
    EXPECT_EQ(history.lastSeen, noon);
    history.clear();
    EXPECT_EQ(history.lastSeen, noon);
}

TEST(AlertHistory, grouping_splits_on_the_calendar_day_of_now)
{
    Calendar berlin = Calendar::named("Europe/Berlin").value();
    AlertHistory history;
    AlertRecord lateLastNight = at(WallTime::fromUnixSeconds(1773097140));  // 2026-03-09 23:59 Berlin
    AlertRecord justAfterMidnight = at(WallTime::fromUnixSeconds(1773097260));
    history.append(lateLastNight);
    history.append(justAfterMidnight);
    auto split = history.grouped(noon, berlin);
    EXPECT_EQ(split.today, std::vector{justAfterMidnight});
    EXPECT_EQ(split.earlier, std::vector{lateLastNight});
}

TEST(AlertHistory, one_malformed_record_among_valid_ones_is_dropped_without_corruption)
{
    AlertHistory history;
    history.append(at(noon));
    history.append(at(noon.plusSeconds(1)));
    history.markAllRead(noon);
    Json stored = history.toJson();
    stored["records"].insert(stored["records"].begin() + 1, Json::parse(R"({"id": 7, "kind": "docker.exit"})"));

    auto loaded = AlertHistory::load(stored.dump());
    EXPECT_FALSE(loaded.corrupt);
    EXPECT_EQ(loaded.history, history);
    EXPECT_EQ(AlertHistory::load(history.encode()).history, history);
}

TEST(AlertHistory, a_document_that_is_not_a_history_is_corrupt)
{
    for (const char* data : {"{not json", "[]", R"({"records": 3})", R"({"lastSeen": 0})"}) {
        auto loaded = AlertHistory::load(data);
        EXPECT_TRUE(loaded.corrupt) << data;
        EXPECT_TRUE(loaded.history.records.empty());
    }
    EXPECT_EQ(AlertHistory::load(R"({"records": []})").history.lastSeen, WallTime::distantPast());
}
