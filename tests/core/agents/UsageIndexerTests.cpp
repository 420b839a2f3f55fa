// The indexing pass over real transcript files in a temporary home: the
// checked-in samples, lines appended while the indexer runs, restarts from
// the saved store and from a damaged one.

#include <algorithm>
#include <fstream>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/agents/UsageIndexer.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const fs::path samples = fs::path(LUNEBOX_TEST_DATA) / "transcripts";
const WallTime sampleDay = WallTime::fromUnixSeconds(1772323200);  // 2026-03-01T00:00:00Z
const TimeRange sampleWeek{sampleDay.plusSeconds(-86400 * 3), sampleDay.plusSeconds(86400 * 4)};

std::string claudeLine(const std::string& id, const std::string& session, int output, const std::string& time,
                       const std::string& branch = "main")
{
    return fmt::format(
        R"({{"cwd":"/home/dev/work/app","sessionId":"{}","gitBranch":"{}","message":{{"id":"{}","role":"assistant",)"
        R"("model":"claude-sonnet-4-5","content":[{{"type":"text","text":"done"}}],"usage":{{"input_tokens":10,)"
        R"("output_tokens":{},"cache_read_input_tokens":100}}}},"type":"assistant","timestamp":"{}"}})",
        session, branch, id, output, time);
}

void append(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::app) << text;
}

class UsageIndexerTest : public ::testing::Test {
protected:
    UsageIndexerTest()
    {
        fs::copy(samples / "claude", home.path() / "claude", fs::copy_options::recursive);
        fs::copy(samples / "codex", home.path() / "codex", fs::copy_options::recursive);
        roots = {TranscriptCatalog::canonical(home.path() / "claude/projects"),
                 TranscriptCatalog::canonical(home.path() / "codex/sessions")};
        liveTranscript = roots.claude / "-home-dev-work-app" / "live.jsonl";
    }

    UsageIndexer::Options options(bool withStore = true, unsigned threads = 2)
    {
        UsageIndexer::Options options{roots, std::nullopt, &clock, Calendar::utc(), threads, &resolver};
        if (withStore)
            options.storePath = storePath;
        return options;
    }

    static UsageSummary week(const UsageIndexer& indexer)
    {
        PriceMemo prices;
        return indexer.withAggregator(
            [&](const UsageAggregator& store) { return store.summary(sampleWeek, std::nullopt, prices); });
    }

    testing::TemporaryFolder home;
    fs::path storePath = home.path() / "data/ai-index.json";
    TranscriptRoots roots;
    ManualClock clock{sampleDay.plusSeconds(86400)};
    TranscriptProjectResolver resolver{home.path()};
    fs::path liveTranscript;
};

TEST_F(UsageIndexerTest, a_full_pass_counts_each_call_once_whatever_the_number_of_threads)
{
    UsageIndexer oneThread(options(false, 1));
    UsageIndexPass pass = oneThread.indexAll();
    EXPECT_EQ(pass.stats.files, 3);
    EXPECT_GT(pass.stats.skippedLines, 0);  // the samples carry torn and malformed lines
    EXPECT_GT(pass.stats.parsedLines, pass.records);  // streamed copies collapse into one call
    UsageSummary summary = week(oneThread);
    EXPECT_GT(summary.tokens.total(), 0);
    EXPECT_GT(summary.tokens.reasoning, 0);  // Codex calls are in

    UsageIndexer twoThreads(options(false, 2));
    EXPECT_EQ(twoThreads.indexAll().records, pass.records);
    EXPECT_EQ(week(twoThreads), summary);

    // A second pass over unchanged files reads nothing.
    UsageIndexPass again = twoThreads.indexAll();
    EXPECT_EQ(again.stats.parsedLines, 0);
    EXPECT_TRUE(again.changed.empty());
    EXPECT_EQ(week(twoThreads), summary);
    EXPECT_FALSE(fs::exists(home.path() / "data"));  // in memory only

    // Files are taken while the walk still finds more: none is missed or
    // read twice, however many threads wait for them.
    for (int i = 0; i < 150; ++i) {
        append(roots.claude / fmt::format("-home-dev-work-p{}", i % 7) / fmt::format("s{}.jsonl", i),
               claudeLine(fmt::format("msg_{}", i), fmt::format("s{}", i), 5, "2026-03-01T09:00:00.000Z") + "\n");
    }
    UsageIndexer manyThreads(options(false, 8));
    UsageIndexPass many = manyThreads.indexAll();
    EXPECT_EQ(many.stats.files, 153);
    EXPECT_EQ(many.records, pass.records + 150);
    EXPECT_EQ(many.changed.size(), 153u);
    EXPECT_TRUE(std::is_sorted(many.changed.begin(), many.changed.end(),
                               [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); }));
}

TEST_F(UsageIndexerTest, appended_lines_are_read_once_and_the_fullest_copy_of_a_message_wins)
{
    UsageIndexer indexer(options());
    indexer.indexAll();
    const UsageSummary before = week(indexer);

    append(liveTranscript, claudeLine("msg_live", "live", 1, "2026-03-01T12:00:00.000Z") + "\n");
    append(liveTranscript, claudeLine("msg_live", "live", 480, "2026-03-01T12:00:01.000Z") + "\n");
    append(liveTranscript, claudeLine("msg_live2", "live", 5, "2026-03-01T12:00:02.000Z"));  // no newline yet
    EXPECT_EQ(indexer.index({liveTranscript, home.path() / "elsewhere.jsonl"}), std::vector<fs::path>{liveTranscript});
    EXPECT_EQ(week(indexer).tokens.output, before.tokens.output + 480);

    append(liveTranscript, "\n");
    indexer.index({liveTranscript});
    EXPECT_EQ(week(indexer).tokens.output, before.tokens.output + 485);
    EXPECT_TRUE(indexer.index({liveTranscript}).empty());

    auto files = indexer.sessionFiles({liveTranscript});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->second.branch, "main");
    EXPECT_EQ(files.begin()->second.project, "app");  // the last piece of an encoded name that does not resolve
    EXPECT_EQ(indexer.transcripts({"live"}), std::vector<fs::path>{liveTranscript});
}

TEST_F(UsageIndexerTest, a_call_written_in_megabytes_counts_unless_it_is_longer_than_a_read)
{
    UsageIndexer indexer(options());
    indexer.indexAll();
    const UsageSummary before = week(indexer);

    auto withText = [](std::string line, std::size_t bytes) {
        return line.replace(line.find("done"), 4, std::string(bytes, 'x'));
    };
    append(liveTranscript, withText(claudeLine("msg_long", "live", 30, "2026-03-01T12:00:00.000Z"), 2 << 20) + "\n"
                               + withText(claudeLine("msg_over", "live", 500, "2026-03-01T12:00:01.000Z"),
                                          UsageIndexer::readBytes + 1)
                               + "\n" + claudeLine("msg_after", "live", 2, "2026-03-01T12:00:02.000Z") + "\n");
    indexer.index({liveTranscript});
    EXPECT_EQ(week(indexer).tokens.output, before.tokens.output + 32);
}

TEST_F(UsageIndexerTest, a_replaced_transcript_is_read_again_without_counting_a_call_twice)
{
    UsageIndexer indexer(options());
    append(liveTranscript, claudeLine("msg_a", "live", 100, "2026-03-01T12:00:00.000Z") + "\n");
    indexer.indexAll();
    const UsageSummary first = week(indexer);

    fs::remove(liveTranscript);
    append(liveTranscript, claudeLine("msg_a", "live", 100, "2026-03-01T12:00:00.000Z") + "\n"
                               + claudeLine("msg_b", "live", 7, "2026-03-01T12:05:00.000Z") + "\n");
    indexer.index({liveTranscript});
    EXPECT_EQ(week(indexer).tokens.output, first.tokens.output + 7);
}

TEST_F(UsageIndexerTest, a_restart_resumes_from_the_store_with_the_same_totals)
{
    UsageSummary summary;
    {
        UsageIndexer indexer(options());
        indexer.indexAll();
        summary = week(indexer);
        EXPECT_EQ(indexer.waitingRecords(), 0u);
    }
    const fs::path store = home.path() / "data/ai-index.json";
    const fs::path records = home.path() / "data/ai-index.records.jsonl";
    struct stat info {};
    ASSERT_EQ(::stat(records.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    UsageIndexer restarted(options());
    EXPECT_EQ(restarted.storeLoad().snapshot, SnapshotLoad::restored);
    EXPECT_FALSE(restarted.storeLoad().rereading);
    EXPECT_EQ(week(restarted), summary);  // from the records file alone
    EXPECT_EQ(restarted.indexAll().stats.parsedLines, 0);  // nothing read twice
    EXPECT_EQ(week(restarted), summary);
}

TEST_F(UsageIndexerTest, a_damaged_store_or_records_file_starts_over_from_the_transcripts)
{
    UsageSummary summary;
    {
        UsageIndexer indexer(options());
        indexer.indexAll();
        summary = week(indexer);
    }
    const fs::path data = home.path() / "data";
    append(data / "ai-index.records.jsonl", "this is not a record\n");
    {
        UsageIndexer damaged(options());
        EXPECT_TRUE(damaged.storeLoad().records.damagedFile());
        EXPECT_TRUE(damaged.storeLoad().rereading);
        EXPECT_GT(damaged.indexAll().stats.parsedLines, 0);
        EXPECT_EQ(week(damaged), summary);
    }
    // The damaged file was moved aside; the new one holds every call again.
    {
        UsageIndexer again(options());
        EXPECT_FALSE(again.storeLoad().rereading);
        EXPECT_EQ(week(again), summary);
    }

    std::ofstream(data / "ai-index.json", std::ios::trunc) << "{ not json";
    UsageIndexer corrupt(options());
    EXPECT_EQ(corrupt.storeLoad().snapshot, SnapshotLoad::corrupt);
    EXPECT_GT(corrupt.indexAll().stats.parsedLines, 0);
    EXPECT_EQ(week(corrupt), summary);
}

TEST_F(UsageIndexerTest, calls_older_than_the_retention_are_not_kept)
{
    clock.set(sampleDay.plusSeconds(UsageIndexer::retention + 86400 * 2));
    UsageIndexer indexer(options());
    UsageIndexPass pass = indexer.indexAll();
    EXPECT_GT(pass.stats.parsedLines, 0);
    EXPECT_EQ(pass.records, 0);
}

TEST_F(UsageIndexerTest, copies_of_a_message_count_once_with_the_last_output_whatever_the_retention)
{
    // One message in three content-block lines a second apart, the last
    // with the final output count; the retention ends between the first two.
    auto copy = [](int second, int output) {
        return fmt::format(
            R"({{"parentUuid":"p-{0}","cwd":"/w/app","sessionId":"live","message":{{"id":"msg_edge","role":"assistant",)"
            R"("model":"claude-sonnet-4-5","content":[{{"type":"text","text":"block {0}"}}],"stop_reason":null,)"
            R"("usage":{{"input_tokens":10,"output_tokens":{1}}}}},"type":"assistant","uuid":"u-{0}",)"
            R"("timestamp":"2026-03-01T12:00:0{0}.000Z"}})"
            "\n",
            second, output);
    };
    append(liveTranscript, copy(0, 9) + copy(2, 9) + copy(3, 9) + copy(4, 250) + copy(5, 9));
    const WallTime first = sampleDay.plusSeconds(43200);
    clock.set(first.plusSeconds(UsageIndexer::retention + 1));
    UsageIndexer indexer(options(false));
    indexer.indexAll();

    auto live = indexer.withAggregator([](const UsageAggregator& store) {
        std::vector<AggregatedRecord> found;
        for (const AggregatedRecord& record : store.allRecords()) {
            if (record.sessionID == "live")
                found.push_back(record);
        }
        return found;
    });
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].timestamp, first.plusSeconds(4));
    EXPECT_EQ(live[0].usage.output, 250);
}

TEST_F(UsageIndexerTest, codex_limits_come_from_the_newest_reading)
{
    UsageIndexer indexer(options(false));
    EXPECT_FALSE(indexer.latestCodexLimits());
    indexer.indexAll();
    auto limits = indexer.latestCodexLimits();
    ASSERT_TRUE(limits);
    EXPECT_FALSE(limits->windows.empty());
}

TEST_F(UsageIndexerTest, records_wait_in_memory_while_the_store_cannot_be_written)
{
    append(home.path() / "data", "a file where the store's folder should be");
    UsageIndexer indexer(options());
    indexer.indexAll();
    EXPECT_GT(indexer.waitingRecords(), 0u);
    EXPECT_FALSE(indexer.save());

    fs::remove(home.path() / "data");
    EXPECT_TRUE(indexer.save());
    EXPECT_EQ(indexer.waitingRecords(), 0u);
    EXPECT_EQ(week(UsageIndexer(options())), week(indexer));
}

}  // namespace
}  // namespace corvane
