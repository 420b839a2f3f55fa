#include <fstream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/keepawake/KeepAwakeLog.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;
using Event = KeepAwakeLogEntry::Event;
namespace fs = std::filesystem;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1772356500);  // 2026-03-01 09:15 UTC

KeepAwakeLogEntry entry(double secondsAgo, Event event = Event::started, std::string reason = "dev")
{
    return KeepAwakeLogEntry{now.plusSeconds(-secondsAgo), event, std::move(reason), std::nullopt};
}

}  // namespace

TEST(KeepAwakeLog, appending_keeps_a_week_and_at_most_2000_entries)
{
    KeepAwakeLog log;
    for (int i = 0; i < 2000; ++i)
        log.entries.push_back(entry(3600 - i));
    log.append(entry(0, Event::stopped, "manual"), now);
    ASSERT_EQ(log.entries.size(), 2000u);
    EXPECT_EQ(log.entries.front(), entry(3599));
    EXPECT_EQ(log.entries.back(), entry(0, Event::stopped, "manual"));

    KeepAwakeLog week;
    week.entries = {entry(KeepAwakeLog::retentionSeconds + 1), entry(KeepAwakeLog::retentionSeconds)};
    week.append(entry(5), now);
    EXPECT_EQ(week.entries, (std::vector{entry(KeepAwakeLog::retentionSeconds), entry(5)}));
}

TEST(KeepAwakeLog, encodes_keys_in_order_with_seconds_since_2001_and_battery_only_when_known)
{
    KeepAwakeLog log;
    log.entries = {KeepAwakeLogEntry{now, Event::autoHold, "agents and builds", 80},
                   KeepAwakeLogEntry{now.plusSeconds(0.5), Event::closedLidOff, "closed lid", std::nullopt}};
    EXPECT_EQ(log.encode(), R"({"entries":[{"date":794049300.0,"event":"autoHold","reason":"agents and builds",)"
                            R"("battery":80},{"date":794049300.5,"event":"closedLidOff","reason":"closed lid"}]})");
    EXPECT_EQ(KeepAwakeLog::decode(log.encode()), log);
}

TEST(KeepAwakeLog, decoding_drops_unreadable_entries_but_refuses_what_is_not_a_log)
{
    auto log = KeepAwakeLog::decode(R"({"entries":[
        {"date": 794049300, "event": "woke", "reason": ""},
        {"date": 794049301, "event": "napped", "reason": "x"},
        {"date": "yesterday", "event": "slept", "reason": "x"},
        {"date": 794049302, "event": "guardrail", "reason": "thermal", "battery": 12.0},
        {"date": 794049303, "event": "guardrail", "reason": "battery", "battery": "low"},
        {"date": 794049304, "event": "stopped", "reason": "ended", "battery": null},
        7]})");
    ASSERT_TRUE(log);
    std::vector<KeepAwakeLogEntry> expected{
        {WallTime::fromReferenceSeconds(794049300), Event::woke, "", std::nullopt},
        {WallTime::fromReferenceSeconds(794049302), Event::guardrail, "thermal", 12},
        {WallTime::fromReferenceSeconds(794049304), Event::stopped, "ended", std::nullopt},
    };
    EXPECT_EQ(log->entries, expected);

    EXPECT_FALSE(KeepAwakeLog::decode("not json"));
    EXPECT_FALSE(KeepAwakeLog::decode(R"({"items": []})"));
    EXPECT_FALSE(KeepAwakeLog::decode(R"([{"date": 1, "event": "woke", "reason": ""}])"));
    EXPECT_FALSE(KeepAwakeLog::decode(std::string(KeepAwakeLog::maxFileBytes + 1, ' ')));
}

TEST(KeepAwakeLog, saves_atomically_with_mode_0600_and_moves_a_broken_file_aside)
{
    TemporaryFolder folder;
    fs::path file = folder / "Lunebox" / std::string(KeepAwakeLog::fileName);
    EXPECT_TRUE(KeepAwakeLog::load(file, now, Calendar::utc()).entries.empty());

    KeepAwakeLog log;
    log.append(entry(60, Event::lidClosed, "claude"), now);
    ASSERT_TRUE(log.save(file));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(KeepAwakeLog::load(file, now, Calendar::utc()), log);

    std::ofstream(file) << R"({"entries": "none"})";
    EXPECT_TRUE(KeepAwakeLog::load(file, now, Calendar::utc()).entries.empty());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(folder / "Lunebox" / "keepawake-log.json.corrupt-20260301-091500"));
}
