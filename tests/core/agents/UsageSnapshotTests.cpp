#include <gtest/gtest.h>

#include <fstream>

#include "core/agents/UsageSnapshot.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

UsageSnapshot sample()
{
    UsageSnapshot snapshot;
    snapshot.tails["/home/u/.claude/projects/-home-u-lunebox/a.jsonl"] = {12, 4096, 5000, false};
    snapshot.tails["/home/u/.codex/sessions/2026/03/02/rollout.jsonl"] = {13, 10, 10, true};
    CodexParser::State state;
    state.sessionID = "0199";
    state.model = "gpt-5-codex";
    state.last = {100, 40, 20, 5};
    snapshot.codex["/home/u/.codex/sessions/2026/03/02/rollout.jsonl"] = state;
    return snapshot;
}

struct Store {
    testing::TemporaryFolder folder;
    JsonStoreFile file{folder / "ai-index.json", UsageSnapshot::maxBytes};
    WallTime now = WallTime::fromUnixSeconds(1'800'000'000);

    void write(const std::string& bytes) { std::ofstream(file.path()) << bytes; }
    LoadedUsageSnapshot load() const { return loadUsageSnapshot(file, now, Calendar::utc()); }
    bool quarantined() const { return std::filesystem::exists(quarantinePath(file.path(), now, Calendar::utc())); }
};

TEST(UsageSnapshot, round_trips_version_3_without_records)
{
    Store store;
    EXPECT_EQ(store.load().status, SnapshotLoad::absent);
    Json json = sample().toJson();
    EXPECT_EQ(json["version"], 3);
    EXPECT_FALSE(json.contains("records"));
    ASSERT_TRUE(store.file.save(json));
    LoadedUsageSnapshot loaded = store.load();
    EXPECT_EQ(loaded.status, SnapshotLoad::restored);
    EXPECT_EQ(loaded.snapshot, sample());
}

TEST(UsageSnapshot, entries_that_do_not_decode_are_dropped_one_by_one)
{
    Json json = sample().toJson();
    json["tails"]["/broken"] = {{"inode", -1}};
    json["codex"]["/broken"] = "state";
    json["records"] = Json::array({{{"id", "ignored"}}});
    EXPECT_EQ(UsageSnapshot::fromJson(json), sample());
}

TEST(UsageSnapshot, another_version_or_a_corrupt_file_starts_over_and_only_corruption_is_moved_aside)
{
    Store older;
    older.write(R"({"version": 2, "tails": {}, "records": []})");
    EXPECT_EQ(older.load().status, SnapshotLoad::otherVersion);
    EXPECT_FALSE(older.quarantined());

    for (const char* bytes : {R"({"version": 3, "tails": )", R"(["not", "a", "snapshot"])", R"({"version": "3"})"}) {
        Store corrupt;
        corrupt.write(bytes);
        LoadedUsageSnapshot loaded = corrupt.load();
        EXPECT_EQ(loaded.status, SnapshotLoad::corrupt) << bytes;
        EXPECT_EQ(loaded.snapshot, UsageSnapshot{});
        EXPECT_TRUE(corrupt.quarantined()) << bytes;
    }
}

TEST(UsageSnapshot, the_statistics_line_names_every_count)
{
    EXPECT_EQ(indexStatisticsLine(12, 3400, 2, 3398, 41), "ai index: 12 files, 3400 usage lines, 2 unreadable, 3398 records in 41 ms");
}

}  // namespace
}  // namespace corvane
