#include "core/agents/GitBranchSniffer.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(GitBranchSniffer, reads_the_claude_branch_with_its_escapes_undone)
{
    EXPECT_EQ(GitBranchSniffer::branch(R"({"type":"user","gitBranch":"feature/x","cwd":"/p"})", AgentKind::claudeCode),
              "feature/x");
    EXPECT_EQ(GitBranchSniffer::branch(R"({"gitBranch":"a\"b\\c\u00e9"})", AgentKind::claudeCode), "a\"b\\c\xC3\xA9");
    EXPECT_EQ(GitBranchSniffer::branch(R"({"gitBranch":""})", AgentKind::claudeCode), std::nullopt);
    EXPECT_EQ(GitBranchSniffer::branch(R"({"gitBranch":"unterminated)", AgentKind::claudeCode), std::nullopt);
    EXPECT_EQ(GitBranchSniffer::branch(R"({"gitBranch":"bad\q"})", AgentKind::claudeCode), std::nullopt);
    EXPECT_EQ(GitBranchSniffer::branch(R"({"branch":"main"})", AgentKind::claudeCode), std::nullopt);
}

TEST(GitBranchSniffer, reads_the_codex_branch_only_from_the_git_object_of_session_meta)
{
    EXPECT_EQ(GitBranchSniffer::branch(
                  R"({"type":"session_meta","payload":{"git":{"commit_hash":"ab","x":{"branch":"no"},"branch":"main"}}})",
                  AgentKind::codex),
              "main");
    EXPECT_EQ(GitBranchSniffer::branch(R"({"type":"session_meta","payload":{"branch":"no","git":{"commit":"}"}}})",
                                       AgentKind::codex),
              std::nullopt);
    EXPECT_EQ(GitBranchSniffer::branch(R"({"type":"event_msg","payload":{"git":{"branch":"main"}}})", AgentKind::codex),
              std::nullopt);
    EXPECT_EQ(GitBranchSniffer::branch(R"({"type":"session_meta","gitBranch":"main"})", AgentKind::cursor),
              std::nullopt);
}

TEST(GitBranchSniffer, cuts_long_branches_to_120_characters_and_ignores_subagent_transcripts)
{
    std::string long_(130, 'b');
    long_.replace(0, 2, "\xC3\xA9");  // one two-byte character first
    auto branch = GitBranchSniffer::branch("{\"gitBranch\":\"" + long_ + "\"}", AgentKind::claudeCode);
    EXPECT_EQ(branch, long_.substr(0, 121));

    EXPECT_EQ(GitBranchSniffer::sessionBranch("/p/s.jsonl", "main"), "main");
    EXPECT_EQ(GitBranchSniffer::sessionBranch("/p/s/subagents/agent-x.jsonl", "main"), std::nullopt);
}

}  // namespace
}  // namespace corvane
