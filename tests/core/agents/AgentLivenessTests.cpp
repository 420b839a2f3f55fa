#include <csignal>
#include <fstream>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "core/agents/AgentLiveness.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::AgentKind;
using corvane::AgentLiveness;
using corvane::LiveAgents;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

TEST(AgentLiveness, agents_are_known_by_executable_version_install_or_script_and_nothing_else)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(AgentLiveness::recognise("claude", "/home/me/.local/bin/claude", {"claude"}), AgentKind::claudeCode);
    EXPECT_EQ(AgentLiveness::recognise("2.1.3", "/home/me/.local/share/claude/versions/2.1.3", Args{"claude", "-c"}),
              AgentKind::claudeCode);
    EXPECT_EQ(AgentLiveness::recognise("claude", "/usr/bin/node", Args{"node", "/usr/local/bin/claude"}),
              AgentKind::claudeCode);
    EXPECT_EQ(AgentLiveness::recognise("node", "/usr/bin/node",
                                       Args{"node", "/usr/lib/node_modules/@anthropic-ai/claude-code/cli.js"}),
              AgentKind::claudeCode);
    EXPECT_EQ(AgentLiveness::recognise("codex-x86_64-un", "/opt/codex/vendor/codex-x86_64-unknown-linux-musl", Args{"codex"}),
              AgentKind::codex);
    EXPECT_EQ(AgentLiveness::recognise("node", "/usr/bin/node", Args{"node", "/usr/lib/node_modules/@openai/codex/bin/codex.js"}),
              AgentKind::codex);

    EXPECT_EQ(AgentLiveness::recognise("claude", "/home/me/.local/bin/claude", {"claude", "--chrome-native-host"}),
              std::nullopt);
    // A word in a later argument is no agent: a commit message, a search.
    EXPECT_EQ(AgentLiveness::recognise("git", "/usr/bin/git", Args{"git", "commit", "-m", "codex"}), std::nullopt);
    EXPECT_EQ(AgentLiveness::recognise("grep", "/usr/bin/grep", Args{"grep", "claude"}), std::nullopt);
    EXPECT_EQ(AgentLiveness::recognise("node", "/usr/bin/node", Args{"node", "server.js", "claude"}), std::nullopt);
}

TEST(AgentLiveness, a_process_matches_the_project_by_folder_name_or_by_the_unresolved_encoded_name)
{
    EXPECT_TRUE(AgentLiveness::matchesProject("/home/me/my-app", "my-app"));
    // "-home-me-my-app" that did not resolve gives the project "app".
    EXPECT_TRUE(AgentLiveness::matchesProject("/home/me/my-app", "app"));
    EXPECT_FALSE(AgentLiveness::matchesProject("/home/me/other", "app"));

    LiveAgents live;
    live.folders[AgentKind::codex] = {"/home/me/api"};
    EXPECT_TRUE(live.alive(AgentKind::codex, std::nullopt));
    EXPECT_TRUE(live.alive(AgentKind::codex, std::string("api")));
    EXPECT_FALSE(live.alive(AgentKind::codex, std::string("web")));
    EXPECT_FALSE(live.alive(AgentKind::claudeCode, std::nullopt));
}

// Touches the real process table: a copy of sleep named "claude" runs in a project folder.
TEST(AgentLiveness, the_scan_finds_a_real_agent_process_with_its_working_folder)
{
    TemporaryFolder folder;
    fs::create_directories(folder / "my-app");
    fs::copy_file("/bin/sleep", folder / "claude");
    fs::permissions(folder / "claude", fs::perms::owner_all);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir((folder / "my-app").c_str()) == 0)
            ::execl((folder / "claude").c_str(), "claude", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    LiveAgents live;
    for (int attempt = 0; attempt < 100 && !live.alive(AgentKind::claudeCode, std::string("my-app")); ++attempt) {
        ::usleep(20'000);
        live = AgentLiveness::scan(::getuid());
    }
    EXPECT_TRUE(live.alive(AgentKind::claudeCode, std::string("my-app")));
    EXPECT_FALSE(live.alive(AgentKind::claudeCode, std::string("elsewhere")));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(AgentLiveness::scan(::getuid()).alive(AgentKind::claudeCode, std::string("my-app")));
}
