// Runs the built `lunebox` as a user would, with its home in a temporary
// folder: the terminal commands of the loaded commands part end to end.

#include <gtest/gtest.h>

#include "core/base/JsonStore.h"
#include "core/base/ProcessRunner.h"
#include "tests/core/agents/IntegrationFiles.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::readText;

class TerminalCommandRun : public ::testing::Test {
protected:
    fs::path settings() const { return folder_ / "home/.claude/settings.json"; }

    ProcessOutput lunebox(std::vector<std::string> arguments)
    {
        ProcessRequest request;
        request.program = std::string(LUNEBOX_BIN_DIR) + "/lunebox";
        request.arguments = std::move(arguments);
        request.environment.set = {{"HOME", (folder_ / "home").string()},
                                   {"XDG_DATA_HOME", (folder_ / "data").string()},
                                   {"XDG_CONFIG_HOME", (folder_ / "config").string()},
                                   {"SHELL", "/bin/bash"}};
        request.environment.remove = {"LUNEBOX_HARNESS", "CLAUDE_CONFIG_DIR", "CODEX_HOME", "ZDOTDIR"};
        request.timeoutSeconds = 60;
        auto ran = ProcessRunner(registry_).run(request);
        EXPECT_TRUE(ran.ok()) << ran.error().message();
        return ran.ok() ? std::move(ran).value() : ProcessOutput{};
    }

    testing::TemporaryFolder folder_;
    ChildRegistry registry_;
};

TEST_F(TerminalCommandRun, connect_list_and_disconnect_round_trip_the_users_settings)
{
    std::string original = testing::claudeSettingsFixture();
    testing::writeText(settings(), original);

    auto connected = lunebox({"--connect", "claude.hooks"});
    EXPECT_EQ(connected.exit, ProcessExit::exited(0)) << connected.standardError;
    EXPECT_TRUE(connected.standardOutput.starts_with("--- " + settings().string() + "\n+++ "));
    EXPECT_NE(connected.standardOutput.find("\n+ "), std::string::npos);
    EXPECT_NE(connected.standardOutput.find("# corvane-hook"), std::string::npos);

    auto tap = lunebox({"--connect", "claude.statusline"});
    EXPECT_EQ(tap.exit, ProcessExit::exited(0)) << tap.standardError;
    EXPECT_NE(tap.standardOutput.find("/corvane-statusline' --wrap"), std::string::npos);

    auto listed = lunebox({"--integrations"});
    EXPECT_EQ(listed.exit, ProcessExit::exited(0));
    EXPECT_NE(listed.standardOutput.find("claude.hooks       Lunebox's Claude hooks are connected\n"),
              std::string::npos)
        << listed.standardOutput;
    EXPECT_NE(listed.standardOutput.find("claude.statusline  Lunebox's statusline is connected\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder_ / "data/Lunebox/integrations/installed.json"));

    EXPECT_EQ(lunebox({"--disconnect", "claude.hooks"}).exit, ProcessExit::exited(0));
    auto last = lunebox({"--disconnect", "claude.statusline"});
    EXPECT_EQ(last.exit, ProcessExit::exited(0));
    EXPECT_NE(last.standardOutput.find("\n-    \"command\": \"if [ -x "), std::string::npos) << last.standardOutput;
    EXPECT_EQ(readText(settings()), original);
}

TEST_F(TerminalCommandRun, refusals_and_unknown_ids_exit_non_zero_with_the_sentence_on_standard_error)
{
    testing::writeText(settings(), "{\n  \"model\": \"opus\"\n}\n");
    fs::permissions(settings(), fs::perms::owner_read);
    auto refused = lunebox({"--connect", "claude.hooks"});
    EXPECT_EQ(refused.exit, ProcessExit::exited(1));
    EXPECT_EQ(refused.standardError, "settings.json is read-only, so Lunebox won't edit it\n");
    EXPECT_EQ(refused.standardOutput, "");
    EXPECT_EQ(readText(settings()), "{\n  \"model\": \"opus\"\n}\n");

    auto unknown = lunebox({"--disconnect", "claude"});
    EXPECT_EQ(unknown.exit, ProcessExit::exited(1));
    EXPECT_EQ(unknown.standardError, "There is no integration \"claude\" — use one of: claude.hooks, "
                                     "claude.statusline, codex.notify, shell.commandHook\n");
    EXPECT_EQ(lunebox({"--connect"}).exit, ProcessExit::exited(2));
}

TEST_F(TerminalCommandRun, the_usage_command_reads_the_default_transcript_folders_and_prints_json)
{
    const fs::path samples = fs::path(LUNEBOX_TEST_DATA) / "transcripts";
    fs::create_directories(folder_ / "home");
    fs::copy(samples / "claude", folder_ / "home/.claude", fs::copy_options::recursive);
    fs::copy(samples / "codex", folder_ / "home/.codex", fs::copy_options::recursive);

    auto usage = lunebox({"--usage", "--json"});
    EXPECT_EQ(usage.exit, ProcessExit::exited(0)) << usage.standardError;
    Json report = Json::parse(usage.standardOutput, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << usage.standardOutput;
    EXPECT_EQ(report["index"]["files"], 3);
    EXPECT_TRUE(report["models"].is_array());
}

}  // namespace
}  // namespace corvane
