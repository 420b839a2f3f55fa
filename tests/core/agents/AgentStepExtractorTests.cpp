#include "core/agents/AgentStepExtractor.h"

#include <gtest/gtest.h>

#include "core/agents/AgentStepIndex.h"
#include "core/agents/StepTitle.h"
#include "core/agents/TranscriptWindow.h"

namespace corvane {
namespace {

using Kind = AgentStepKind;

const std::filesystem::path steps = std::filesystem::path(LUNEBOX_TEST_DATA) / "agent-steps";
const std::filesystem::path claudeSample = std::filesystem::path(LUNEBOX_TEST_DATA)
    / "transcripts/claude/projects/-home-dev-work-lunebox/5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94.jsonl";

std::vector<std::pair<Kind, std::optional<std::string>>> kinds(const std::vector<AgentStep>& list)
{
    std::vector<std::pair<Kind, std::optional<std::string>>> out;
    for (const AgentStep& step : list)
        out.emplace_back(step.kind, step.subject);
    return out;
}

TEST(AgentStepExtractor, follows_a_claude_session_through_calls_results_and_context)
{
    AgentStepIndex index;
    index.apply("s", AgentStepExtractor::tail(steps / "claude-steps.jsonl", AgentKind::claudeCode, 1 << 20));
    const SessionSteps* session = index.steps("s");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(kinds(session->steps), (decltype(kinds({})){{Kind::edit, "QuietMode.cpp"}, {Kind::test, "ctest"},
                                                          {Kind::search, "quietUntil"}}));
    EXPECT_EQ(session->steps[1].failed, true);
    EXPECT_EQ(session->steps[0].failed, false);
    EXPECT_EQ(kinds(session->pending), (decltype(kinds({})){{Kind::plan, std::nullopt},
                                                            {Kind::web, "https://example.com/docs"}}));
    EXPECT_EQ(StepTitle::waitingFor(session->waitingOn()), "Approve web access");
    EXPECT_EQ(StepTitle::live(*session->last()), "Reading the web");
    EXPECT_EQ(session->contextTokens, 31604);
    EXPECT_EQ(session->model, "claude-sonnet-4-5-20250929");
    EXPECT_EQ(session->contextPercent(), std::nullopt);
}

TEST(AgentStepExtractor, follows_a_codex_session_through_shell_patch_and_plan_calls)
{
    AgentStepIndex index;
    index.apply("c", AgentStepExtractor::tail(steps / "codex-steps.jsonl", AgentKind::codex, 1 << 20));
    const SessionSteps* session = index.steps("c");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(kinds(session->steps), (decltype(kinds({})){{Kind::test, "cargo"}, {Kind::edit, "lib.rs"},
                                                          {Kind::edit, "it.rs"}, {Kind::git, "git status"}}));
    EXPECT_EQ(session->steps[0].failed, true);
    EXPECT_EQ(session->steps[3].failed, false);
    // The closing reply ended the turn: the plan update never got its result.
    EXPECT_TRUE(session->pending.empty());
    EXPECT_EQ(StepTitle::waitingFor(session->waitingOn()), "Waiting for your reply");
    EXPECT_EQ(session->contextPercent(), 20);

    auto lines = StepTitle::recent(session->steps, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "Ran git status");
    EXPECT_EQ(lines[1].text, "Edited 2 files");
    EXPECT_EQ(lines[1].count, 2u);
    EXPECT_EQ(lines[2].text, "Ran tests");
    EXPECT_TRUE(lines[2].failed);
}

TEST(AgentStepExtractor, reads_the_recorded_claude_sample_and_skips_its_torn_and_subagent_lines)
{
    auto events = AgentStepExtractor::tail(claudeSample, AgentKind::claudeCode, 1 << 20);
    std::vector<AgentStep> tools;
    int replies = 0;
    for (const auto& event : events) {
        if (auto tool = event.as<AgentStepEvent::Tool>())
            tools.push_back(tool->step);
        replies += event.as<AgentStepEvent::Reply>() ? 1 : 0;
    }
    ASSERT_EQ(tools.size(), 1u);
    EXPECT_EQ(tools[0].kind, Kind::read);
    EXPECT_EQ(tools[0].subject, "TrayIcon.cpp");
    EXPECT_EQ(tools[0].id, "toolu_01Xy");
    EXPECT_EQ(replies, 3);

    auto subagent = claudeSample.parent_path() / "5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94/subagents/agent-a7f3c1.jsonl";
    EXPECT_TRUE(AgentStepExtractor::tail(subagent, AgentKind::claudeCode, 1 << 20).empty());
}

TEST(AgentStepExtractor, a_tail_window_yields_only_whole_lines)
{
    std::string whole = TranscriptWindow::read(claudeSample, TranscriptWindow::End::tail, 1 << 20);
    for (std::size_t budget : {100u, 1500u, 3000u}) {
        std::string tail = TranscriptWindow::read(claudeSample, TranscriptWindow::End::tail, budget);
        EXPECT_LE(tail.size(), budget);
        EXPECT_TRUE(whole.ends_with(tail)) << budget;
        EXPECT_TRUE(tail.empty() || whole[whole.size() - tail.size() - 1] == '\n') << budget;
        std::string head = TranscriptWindow::read(claudeSample, TranscriptWindow::End::head, budget);
        EXPECT_TRUE(whole.starts_with(head) && (head.empty() || head.back() == '\n')) << budget;
    }
    EXPECT_TRUE(TranscriptWindow::read(steps / "missing.jsonl", TranscriptWindow::End::tail, 100).empty());
}

TEST(AgentStepExtractor, a_line_over_the_cap_or_not_json_yields_nothing)
{
    std::string line = R"({"type":"assistant","timestamp":"2026-03-02T14:00:05.000Z","message":{"content":[)"
                       R"({"type":"tool_use","id":"t","name":"Write","input":{"file_path":"/a/b.txt"}}]}})";
    ASSERT_EQ(AgentStepExtractor::claude(line).size(), 1u);
    std::string padded = line;
    padded.insert(padded.size() - 1, std::string(AgentStepExtractor::maxLineBytes, ' '));
    EXPECT_TRUE(AgentStepExtractor::claude(padded).empty());
    EXPECT_TRUE(AgentStepExtractor::claude(line.substr(0, line.size() - 3)).empty());
    EXPECT_TRUE(AgentStepExtractor::codex(R"({"type":"response_item","payload":{"type":"function_call"}})").empty());
}

TEST(AgentStepIndex, keeps_ten_finished_steps_per_session_and_the_most_recent_sessions)
{
    AgentStepIndex index;
    WallTime at = WallTime::fromUnixSeconds(1772460000);
    for (int i = 0; i < 12; ++i) {
        std::string id = "call" + std::to_string(i);
        index.apply("s", {AgentStepEvent::tool({Kind::read, "f" + std::to_string(i), at.plusSeconds(i), id, {}}),
                          AgentStepEvent::results({id}, false)});
    }
    const SessionSteps* session = index.steps("s");
    ASSERT_EQ(session->steps.size(), SessionSteps::cap);
    EXPECT_EQ(session->steps.front().subject, "f2");
    EXPECT_EQ(session->updated, at.plusSeconds(11));
    EXPECT_EQ(StepTitle::recent(session->steps, 5), (std::vector<StepTitle::Line>{
                                                         {Kind::read, "Read 10 files", 10, false, at.plusSeconds(11)}}));

    for (std::size_t i = 0; i <= AgentStepIndex::sessionCap; ++i)
        index.apply("other" + std::to_string(i), {AgentStepEvent::reply(at)});
    EXPECT_EQ(index.steps("s"), nullptr);
    EXPECT_EQ(index.order().size(), AgentStepIndex::sessionCap);
    EXPECT_EQ(index.order().back(), "other200");
}

}  // namespace
}  // namespace corvane
