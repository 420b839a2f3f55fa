// Runs the generated hook commands in real shells, as Claude Code does:
// `sh -c` with the hook's JSON on standard input.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/agents/ClaudeHookInbox.h"
#include "core/agents/ClaudeHooksWriter.h"
#include "core/base/ProcessRunner.h"
#include "tests/core/agents/IntegrationFiles.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Kind = ClaudeHookEvent::Kind;

class ClaudeHookCommand : public ::testing::TestWithParam<const char*> {
protected:
    Result<ProcessOutput> run(Kind kind, EnvironmentChanges environment)
    {
        ProcessRequest request;
        request.program = GetParam();
        request.arguments = {"-c", ClaudeHooksWriter::command(kind)};
        environment.set.emplace("HOME", (folder_ / "home").string());
        environment.set.emplace("CLAUDE_PROJECT_DIR", "/work/my project");
        environment.set.emplace("TERM_PROGRAM", "WezTerm");
        environment.set.emplace("GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/org.gnome.Terminal.desktop");
        request.environment = std::move(environment);
        request.standardInput =
            testing::readText(fs::path(LUNEBOX_TEST_DATA) / "integrations" / "stop-hook-payload.json");
        request.timeoutSeconds = 30;
        return ProcessRunner(registry_).run(request);
    }

    ClaudeHookInbox::Batch inbox(const fs::path& folder) const
    {
        return ClaudeHookInbox::read(folder, WallTime::fromUnixSeconds(4102444800.0));
    }

    testing::TemporaryFolder folder_;
    ChildRegistry registry_;
};

TEST_P(ClaudeHookCommand, drops_an_inbox_file_the_app_accepts)
{
    auto ran = run(Kind::stop, {true, {{"XDG_DATA_HOME", (folder_ / "data").string()}}, {}});
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    EXPECT_EQ(ran->exit, ProcessExit::exited(0));
    EXPECT_EQ(ran->standardOutput + ran->standardError, "");
    fs::path folder = folder_ / "data/Lunebox/inbox";
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    auto batch = inbox(folder);
    ASSERT_EQ(batch.events.size(), 1u) << batch.ignored << " ignored";
    const HookInboxEvent& event = batch.events[0];
    EXPECT_EQ(event.event, (ClaudeHookEvent{Kind::stop, "my project"}));
    EXPECT_EQ(event.session, "0f3c2a9e-7b1d-4c55-9e0a-5d2f8b61c4aa");
    EXPECT_EQ(event.app, "org.gnome.Terminal");
    // Only the final name is left: the temporary dot-name was renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_P(ClaudeHookCommand, without_xdg_data_home_it_writes_under_the_home_and_never_fails_the_tool)
{
    auto ran = run(Kind::needsInput, {true, {}, {"XDG_DATA_HOME"}});
    ASSERT_TRUE(ran.ok());
    auto batch = inbox(folder_ / "home/.local/share/Lunebox/inbox");
    ASSERT_EQ(batch.events.size(), 1u);
    EXPECT_EQ(batch.events[0].event.kind, Kind::needsInput);

    // An inbox it cannot create: still exit 0 and silent.
    testing::writeText(folder_ / "blocked", "a file where the folder would go");
    auto blocked = run(Kind::start, {true, {{"XDG_DATA_HOME", (folder_ / "blocked").string()}}, {}});
    ASSERT_TRUE(blocked.ok());
    EXPECT_EQ(blocked->exit, ProcessExit::exited(0));
    EXPECT_EQ(blocked->standardOutput + blocked->standardError, "");
}

INSTANTIATE_TEST_SUITE_P(Shells, ClaudeHookCommand, ::testing::Values("/usr/bin/dash", "/usr/bin/bash"),
                         [](const auto& info) { return fs::path(info.param).filename().string(); });

TEST(ClaudeHookSnippet, carries_the_three_hooks_with_the_installed_commands)
{
    auto snippet = nlohmann::ordered_json::parse(ClaudeHookInbox::settingsSnippet());
    ASSERT_EQ(snippet["hooks"].size(), 3u);
    EXPECT_EQ(snippet["hooks"]["Notification"][0]["hooks"][0]["command"], ClaudeHooksWriter::command(Kind::needsInput));
    EXPECT_EQ(snippet["hooks"]["UserPromptSubmit"][0]["hooks"][0]["command"], ClaudeHooksWriter::command(Kind::start));
    std::string stop = ClaudeHookInbox::hookCommand(Kind::stop);
    EXPECT_TRUE(stop.starts_with(R"({ d="${XDG_DATA_HOME:-$HOME/.local/share}/Lunebox/inbox"; mkdir -p "$d")"));
    EXPECT_NE(stop.find(R"("event":"stop","app":"%s")"), std::string::npos);
    EXPECT_TRUE(stop.ends_with("} >/dev/null 2>&1; exit 0"));
}

}  // namespace
}  // namespace corvane
