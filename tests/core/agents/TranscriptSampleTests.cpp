// Both parsers over checked-in transcripts in the agents' real formats,
// line by line as the indexer hands them over.

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/agents/ClaudeCodeParser.h"
#include "core/agents/CodexParser.h"

namespace corvane {
namespace {

const std::string samples = std::string(LUNEBOX_TEST_DATA) + "/transcripts/";
const std::string claudeProject = samples + "claude/projects/-home-dev-work-lunebox/";
const std::string claudeSession = "5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94";

std::vector<std::string> linesOf(const std::string& path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    EXPECT_FALSE(lines.empty()) << path;
    return lines;
}

std::vector<UsageRecord> claudeRecords(const std::string& path)
{
    ClaudeCodeParser parser;
    std::vector<UsageRecord> records;
    for (const std::string& line : linesOf(path)) {
        if (auto record = parser.parse(line, "fallback"))
            records.push_back(*record);
    }
    return records;
}

TEST(TranscriptSamples, claude_main_transcript_bills_every_content_block_of_its_two_messages)
{
    auto records = claudeRecords(claudeProject + claudeSession + ".jsonl");
    // Summary, snapshot, user, tool result, system, the truncated line, the
    // subagent's echo in a progress line and the synthetic zero-usage error
    // bill nothing; each content block repeats its message's id and usage.
    ASSERT_EQ(records.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(records[i].id, "msg_01AbCdEfGhIjKlMnOpQrStUv");
    EXPECT_EQ(records[0].usage.output, 1);  // early copies carry a provisional count
    EXPECT_EQ(records[2].usage, (TokenUsage{3, 412, 5120, 0, 11840, 0}));
    EXPECT_EQ(records[3].id, "msg_01BcDeFgHiJkLmNoPqRsTuVw");
    EXPECT_EQ(records[3].usage, (TokenUsage{6, 233, 0, 2048, 17000, 0}));
    for (const UsageRecord& record : records) {
        EXPECT_EQ(record.sessionID, claudeSession);
        EXPECT_EQ(record.project, "lunebox");
        EXPECT_EQ(record.model, "claude-sonnet-4-5-20250929");
    }
    EXPECT_EQ(iso8601(records[3].timestamp), "2026-03-01T09:16:44Z");
}

TEST(TranscriptSamples, claude_subagent_transcript_bills_its_own_model_under_the_parent_session)
{
    auto records = claudeRecords(claudeProject + claudeSession + "/subagents/agent-a7f3c1.jsonl");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].id, "msg_01SubAgEnTxYz0123456789");
    EXPECT_EQ(records[1].model, "claude-haiku-4-5-20251001");
    EXPECT_EQ(records[1].sessionID, claudeSession);
    EXPECT_EQ(records[1].usage, (TokenUsage{10, 35, 0, 0, 2048, 0}));
}

TEST(TranscriptSamples, codex_rollout_bills_deltas_across_model_switches_and_a_counter_reset)
{
    CodexParser parser;
    CodexParser::State state;
    std::vector<UsageRecord> records;
    int screenedOut = 0;
    for (const std::string& line :
         linesOf(samples + "codex/sessions/2026/03/01/rollout-2026-03-01T10-00-00-0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73.jsonl")) {
        // Every line turned away by its types would decode to nothing.
        if (!CodexParser::screens(line)) {
            ++screenedOut;
            CodexParser unscreened;
            CodexParser::State before = state;
            UsageRecord record;
            std::string buffer = line + "\n" + std::string(transcriptLinePadding, ' ');
            EXPECT_FALSE(unscreened.parseInto(PaddedLine{std::string_view(buffer.data(), line.size())}, before,
                                              Screening::passed, record));
            EXPECT_EQ(before, state);
        }
        if (auto record = parser.parse(line, state))
            records.push_back(*record);
    }
    EXPECT_GT(screenedOut, 0);
    // The second copy of the first totals bills nothing.
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].id, "0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73:12000:900:500");
    EXPECT_EQ(records[0].model, "gpt-5-codex");
    EXPECT_EQ(records[0].project, "lunebox");
    EXPECT_EQ(records[0].usage, (TokenUsage{4000, 400, 0, 0, 8000, 500}));
    EXPECT_EQ(records[1].model, "gpt-5");
    EXPECT_EQ(records[1].usage, (TokenUsage{2000, 400, 0, 0, 6000, 200}));
    EXPECT_EQ(records[2].id, "0199a6f9-0a0b-7c0d-8e0f-101112131415:3000:200:50");
    EXPECT_EQ(records[2].project, "lunebox-docs");
    EXPECT_EQ(records[2].usage, (TokenUsage{2000, 150, 0, 0, 1000, 50}));

    // The last limits kept only the plausible window; the reset line had none.
    auto limits = state.rateLimits(AIProviderID::codex);
    ASSERT_TRUE(limits);
    ASSERT_EQ(limits->windows.size(), 1u);
    EXPECT_EQ(limits->windows[0].label, "5 h");
    EXPECT_EQ(limits->windows[0].usedPercent, 18.5);
    EXPECT_EQ(limits->windows[0].resetsAt, WallTime::fromUnixSeconds(1772366400));
    EXPECT_EQ(iso8601(limits->observedAt), "2026-03-01T10:02:05Z");
    EXPECT_EQ(CodexParser::State::fromJson(state.toJson()), state);
}

}  // namespace
}  // namespace corvane
