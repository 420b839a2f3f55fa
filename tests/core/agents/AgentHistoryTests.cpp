#include "core/agents/AgentHistory.h"

#include <gtest/gtest.h>

#include "core/agents/ResumePlan.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

// Monday 2 March 2026, 15:00 in Berlin.
const WallTime now = WallTime::fromUnixSeconds(1772460000);
const Calendar berlin = *Calendar::named("Europe/Berlin");

AgentHistoryEntry entry(std::string id, std::string agent, std::string title, WallTime end)
{
    AgentHistoryEntry out;
    out.id = std::move(id);
    out.agent = std::move(agent);
    out.project = "lunebox";
    out.title = std::move(title);
    out.start = end.plusSeconds(-600);
    out.end = end;
    return out;
}

TEST(AgentHistory, builds_one_entry_per_session_of_the_last_30_days)
{
    std::string parent = "/c/projects/-home-dev-lunebox/s1.jsonl";
    std::map<std::filesystem::path, SessionFile> files{
        {parent, {AgentKind::claudeCode, "lunebox", now.plusSeconds(-3600), "main", std::nullopt}},
        {"/c/projects/-home-dev-lunebox/s1/subagents/agent-x.jsonl",
         {AgentKind::claudeCode, "lunebox", now.plusSeconds(-600), std::nullopt, std::nullopt}},
        {"/x/sessions/2026/02/01/rollout-old.jsonl",
         {AgentKind::codex, "app", now.plusSeconds(-31 * 86400), std::nullopt, std::nullopt}},
    };
    AgentTimeline timeline;
    (void)timeline.record({.id = "s1", .agent = "Claude Code", .project = "lunebox",
                           .state = AgentTimeline::State::needsYou, .at = now.plusSeconds(-700)});
    std::vector<std::filesystem::path> looked;
    auto meta = [&](const std::filesystem::path& path, AgentKind) {
        looked.push_back(path);
        return SessionTitle::Meta{"Tray theme", now.plusSeconds(-7200), "feature/x"};
    };
    auto entries = AgentHistory::entries(files, timeline, meta, {"s1"}, now);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(looked, (std::vector<std::filesystem::path>{parent}));
    const AgentHistoryEntry& s1 = entries.front();
    EXPECT_EQ(s1.path, parent);
    EXPECT_EQ(s1.agent, "Claude Code");
    EXPECT_EQ(s1.branch, "main");
    EXPECT_EQ(s1.title, "Tray theme");
    EXPECT_EQ(s1.duration(), 6600);  // to the subagent's last write
    EXPECT_EQ(s1.state, AgentTimeline::State::needsYou);
    EXPECT_TRUE(s1.stoppedByRestart);
}

TEST(AgentHistory, filters_by_agent_query_and_hidden_ids)
{
    std::vector<AgentHistoryEntry> entries{entry("a", "Claude Code", "Fix the TRAY icon", now),
                                           entry("b", "Codex", "Écrire les tests", now),
                                           entry("c", "Codex", "Other", now)};
    entries[2].branch = "feature/tray";
    auto ids = [](const std::vector<AgentHistoryEntry>& list) {
        std::vector<std::string> out;
        for (const auto& e : list)
            out.push_back(e.id);
        return out;
    };
    using Filter = AgentHistory::Filter;
    EXPECT_EQ(ids(AgentHistory::filter(entries, "  tray\n", Filter::all, {})), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(ids(AgentHistory::filter(entries, "tray", Filter::codex, {})), (std::vector<std::string>{"c"}));
    EXPECT_EQ(ids(AgentHistory::filter(entries, "écrire", Filter::all, {})), (std::vector<std::string>{"b"}));
    EXPECT_EQ(ids(AgentHistory::filter(entries, "", Filter::claude, {})), (std::vector<std::string>{"a"}));
    EXPECT_EQ(ids(AgentHistory::filter(entries, "", Filter::all, {"a", "c"})), (std::vector<std::string>{"b"}));
}

TEST(AgentHistory, groups_by_day_with_day_titles_and_last_seen_texts)
{
    std::vector<AgentHistoryEntry> entries{entry("old", "Codex", "x", now.plusSeconds(-3 * 86400)),
                                           entry("today", "Codex", "x", now.plusSeconds(-60)),
                                           entry("yesterday", "Codex", "x", now.plusSeconds(-86400))};
    auto groups = AgentHistory::groups(entries, now, berlin);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].title, "TODAY");
    EXPECT_EQ(groups[1].title, "YESTERDAY");
    EXPECT_EQ(groups[2].title, "FRI 27 FEB");

    EXPECT_EQ(AgentHistory::lastSeen(now.plusSeconds(-3600), now, berlin), "last 14:00");
    EXPECT_EQ(AgentHistory::lastSeen(now.plusSeconds(-5 * 86400), now, berlin), "last Wed");
    EXPECT_EQ(AgentHistory::lastSeen(now.plusSeconds(-6 * 86400), now, berlin), "last 24 Feb");
}

TEST(AgentHistory, hiding_keeps_the_500_newest_ids)
{
    std::vector<std::string> hidden;
    for (int i = 0; i < 501; ++i)
        hidden = AgentHistory::hide("s" + std::to_string(i), std::move(hidden));
    EXPECT_EQ(hidden.size(), AgentHistory::hiddenCap);
    EXPECT_EQ(hidden.front(), "s1");
    hidden = AgentHistory::hide("s1", std::move(hidden));
    EXPECT_EQ(hidden.back(), "s1");
    EXPECT_EQ(hidden.size(), AgentHistory::hiddenCap);
}

TEST(ResumePlan, opens_a_terminal_in_an_existing_folder_else_copies_the_command)
{
    testing::TemporaryFolder folder;
    EXPECT_EQ(ResumePlan::make("Claude Code", "5f0c2a7e-8d4b", folder.path(), true),
              (ResumePlan{ResumePlan::Terminal{folder.path(), {"claude", "--resume", "5f0c2a7e-8d4b"}}}));
    EXPECT_EQ(ResumePlan::make("Codex", "0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73", "/gone", false),
              (ResumePlan{ResumePlan::Copy{"codex resume 0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73"}}));
    EXPECT_EQ(ResumePlan::make("Codex", "rollout-2026-03-01T10-00-00-0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73", "app", true),
              (ResumePlan{ResumePlan::Copy{"codex resume 0199a6f2-3c1d-7a20-9e44-5b8f0c2d1e73"}}));
    EXPECT_EQ(ResumePlan::make("Cursor", "abc", std::nullopt, false), std::nullopt);
    for (const char* id : {"", "--help", "a b", "$(reboot)", "x;y"})
        EXPECT_EQ(ResumePlan::make("Claude Code", id, std::nullopt, false), std::nullopt) << id;
}

}  // namespace
}  // namespace corvane
