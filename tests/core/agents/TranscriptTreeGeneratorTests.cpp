// The usage benchmark's generated transcript tree, read back by the usage
// indexer: it must arrive at exactly the totals the generator promises,
// hard cases included.

#include "bench/TranscriptTreeGenerator.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/agents/TranscriptCatalog.h"
#include "core/agents/UsageIndexer.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

const WallTime now = WallTime::fromUnixSeconds(1'790'000'000);  // 2026-09-21

bench::TreeOptions smallTree(std::uint64_t seed)
{
    bench::TreeOptions options;
    options.targetBytes = 16 * 1024 * 1024;
    options.projects = 5;
    options.days = 30;
    options.now = now;
    options.seed = seed;
    return options;
}

bench::ExpectedUsage totalsOf(const UsageIndexer& indexer)
{
    bench::ExpectedUsage totals;
    indexer.withAggregator([&](const UsageAggregator& store) {
        store.forEachRecord([&](const AggregatedRecord& record) {
            totals[{record.agent, std::string(record.model)}] += record.usage;
        });
    });
    return totals;
}

std::string treeBytes(const fs::path& home)
{
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        if (entry.is_regular_file())
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::string bytes;
    for (const fs::path& path : paths) {
        std::ifstream in(path, std::ios::binary);
        bytes += path.lexically_relative(home).string() + "\n";
        bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return bytes;
}

TEST(TranscriptTreeGenerator, the_indexer_arrives_at_exactly_the_promised_totals)
{
    TemporaryFolder home;
    auto counts = bench::generateTranscriptTree(home.path(), smallTree(2));
    ASSERT_TRUE(counts) << counts.error().message();

    // The tree holds every case that makes counting hard.
    EXPECT_GE(counts->subagentFiles, 1u);
    EXPECT_GE(counts->resumedSessions, 1u);
    EXPECT_GE(counts->unfinishedFiles, 2u);
    EXPECT_GE(counts->malformedLines, 1u);
    EXPECT_GE(counts->linesOverOneRead, 1u);
    EXPECT_EQ(counts->usage.count({AgentKind::claudeCode, "claude-haiku-4-5-20251001"}), 1u);  // subagents

    ManualClock clock(now);
    TranscriptRoots roots = TranscriptCatalog::defaultRoots(
        {{"CLAUDE_CONFIG_DIR", (home / "claude").string()}, {"CODEX_HOME", (home / "codex").string()}});
    UsageIndexer indexer({roots, std::nullopt, &clock, Calendar::utc(), 2});
    UsageIndexPass pass = indexer.indexAll();
    EXPECT_EQ(static_cast<std::uint64_t>(pass.stats.files), counts->files);
    EXPECT_GT(pass.stats.skippedLines, 0);
    // Content blocks repeat their message, Codex repeats its readings,
    // resumed sessions replay earlier calls: copies far outnumber calls.
    EXPECT_GT(pass.stats.parsedLines, pass.records * 3 / 2);
    EXPECT_EQ(static_cast<std::uint64_t>(pass.records), counts->billedCalls);
    EXPECT_EQ(totalsOf(indexer), counts->usage);
    for (AgentKind agent : {AgentKind::claudeCode, AgentKind::codex}) {
        EXPECT_TRUE(std::any_of(counts->usage.begin(), counts->usage.end(),
                                [&](const auto& entry) { return entry.first.first == agent; }));
    }
    indexer.withAggregator([&](const UsageAggregator& store) {
        store.forEachRecord([&](const AggregatedRecord& record) {
            EXPECT_LE(record.timestamp, now);
            EXPECT_GE(record.timestamp, now.plusSeconds(-30 * 86'400.0));
        });
    });
}

TEST(TranscriptTreeGenerator, the_same_seed_writes_the_same_tree_and_another_seed_another)
{
    TemporaryFolder home;
    auto generate = [&](std::uint64_t seed) {
        for (const char* root : {"claude", "codex", "work"})
            fs::remove_all(home / root);
        auto options = smallTree(seed);
        options.targetBytes = 1024 * 1024;
        EXPECT_TRUE(bench::generateTranscriptTree(home.path(), options));
        return treeBytes(home.path());
    };
    const std::string first = generate(11);
    EXPECT_TRUE(generate(11) == first);
    EXPECT_FALSE(generate(12) == first);
}

}  // namespace
}  // namespace corvane
