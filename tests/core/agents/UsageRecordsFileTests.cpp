#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "core/agents/UsageRecordsFile.h"
#include "core/base/Files.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

UsageRecord record(std::string id, double unixSeconds, std::optional<std::string> project = "lunebox")
{
    return {std::move(id), AgentKind::codex, "gpt-5-codex", WallTime::fromUnixSeconds(unixSeconds), "session-1",
            std::move(project), {1, 2, 3, 4, 5, 6}};
}

void appendBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::app | std::ios::binary) << bytes;
}

struct Loaded {
    std::vector<UsageRecord> records;
    UsageRecordsFile::Counts counts;
};

Loaded loadAll(const std::filesystem::path& path, double cutoff = 0)
{
    Loaded loaded;
    auto counts = UsageRecordsFile::load(path, WallTime::fromUnixSeconds(cutoff),
                                         [&](UsageRecord&& r) { loaded.records.push_back(std::move(r)); });
    EXPECT_TRUE(counts);
    if (counts)
        loaded.counts = *counts;
    return loaded;
}

TEST(UsageRecordsFile, sits_beside_the_store_with_its_own_extension)
{
    EXPECT_EQ(UsageRecordsFile::pathFor("/data/Lunebox/ai-index.json"), "/data/Lunebox/ai-index.records.jsonl");
}

TEST(UsageRecordsFile, appended_records_read_back_and_expired_ones_are_skipped)
{
    testing::TemporaryFolder folder;
    auto path = folder / "ai-index.records.jsonl";
    EXPECT_EQ(loadAll(path).counts, UsageRecordsFile::Counts{});
    ASSERT_TRUE(UsageRecordsFile::append(path, {record("a", 1'700'000'000), record("b", 1'800'000'000, std::nullopt)}));
    ASSERT_TRUE(UsageRecordsFile::append(path, {record("c", 1'800'000'100)}));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    Loaded all = loadAll(path);
    EXPECT_EQ(all.records, (std::vector{record("a", 1'700'000'000), record("b", 1'800'000'000, std::nullopt), record("c", 1'800'000'100)}));
    Loaded recent = loadAll(path, 1'750'000'000);
    EXPECT_EQ(recent.records.size(), 2u);
    EXPECT_EQ(recent.counts, (UsageRecordsFile::Counts{2, 1, 0, 0}));
}

TEST(UsageRecordsFile, a_torn_append_is_not_damage_and_the_next_append_starts_a_fresh_line)
{
    testing::TemporaryFolder folder;
    auto path = folder / "records.jsonl";
    std::string line = UsageRecordsFile::encode({record("a", 1'800'000'000)});
    appendBytes(path, line + line.substr(0, line.size() / 2));
    ASSERT_TRUE(UsageRecordsFile::append(path, {record("b", 1'800'000'000)}));
    Loaded loaded = loadAll(path);
    EXPECT_EQ(loaded.records.size(), 2u);
    EXPECT_EQ(loaded.counts, (UsageRecordsFile::Counts{2, 0, 1, 0}));
    EXPECT_FALSE(loaded.counts.damagedFile());
}

TEST(UsageRecordsFile, lines_that_are_not_records_mark_the_file_damaged_but_the_rest_still_loads)
{
    testing::TemporaryFolder folder;
    auto path = folder / "records.jsonl";
    std::string good = UsageRecordsFile::encode({record("a", 1'800'000'000)});
    appendBytes(path, good + "{\"id\": 1}\n" + "garbage }\n" + "\xff\xfe{\n" + "\n" + std::string(100'000, 'x') + "\n" + good);
    Loaded loaded = loadAll(path);
    EXPECT_EQ(loaded.records.size(), 2u);
    EXPECT_EQ(loaded.counts.damaged, 4);
    EXPECT_TRUE(loaded.counts.damagedFile());
}

}  // namespace
}  // namespace corvane
