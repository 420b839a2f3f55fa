#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/agents/AISetup.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void write(const fs::path& path, const std::string& text, fs::perms mode = fs::perms::owner_read | fs::perms::owner_write)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, mode);
}

// A user's settings as Claude Code leaves them: their own members, a
// working hook, a hook whose script was deleted, one that rewrites Bash.
const std::string userSettings = R"json({
  "model": "opus",
  "hooks": {
    "Notification": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "notify-send 'Claude needs you'"
          },
          {
            "type": "command",
            "command": "FOO=1 /opt/gone/alert.sh --loud"
          }
        ]
      }
    ],
    "PreToolUse": [
      {
        "matcher": "Bash",
        "hooks": [
          {
            "type": "command",
            "command": "sh -c 'jq -c \"{hookSpecificOutput: {updatedInput: .tool_input}}\"'"
          }
        ]
      }
    ]
  },
  "permissions": {
    "allow": [
      "Bash(make:*)"
    ]
  }
}
)json";

struct SetupFixture : ::testing::Test {
    TemporaryFolder home;
    fs::path bin = home / "bin";
    IntegrationEnv env;

    void SetUp() override
    {
        env.home = home.path();
        env.environment["PATH"] = bin.string() + ":/usr/bin:/bin";
        write(bin / "notify-send", "#!/bin/sh\n", fs::perms::owner_all);
    }
    fs::path settings() const { return home / ".claude/settings.json"; }

    const AISetup::Issue* find(const AISetup::Report& report, std::string_view title)
    {
        for (const auto& issue : report.issues)
            if (issue.title == title)
                return &issue;
        return nullptr;
    }
};

TEST_F(SetupFixture, a_missing_hook_program_is_fixed_by_removing_exactly_that_hook_and_the_fix_can_be_undone)
{
    write(settings(), userSettings);
    auto report = AISetup::scan(env, {});
    const auto* issue = find(report, "A hook's command isn't on this computer");
    ASSERT_NE(issue, nullptr);
    EXPECT_NE(issue->detail.find("/opt/gone/alert.sh"), std::string::npos);
    ASSERT_TRUE(issue->fix);
    EXPECT_EQ(issue->fix->displayPath, "~/.claude/settings.json");
    // The diff shows the one hook going, nothing else.
    int removed = 0, added = 0;
    for (const auto& line : issue->fix->diff) {
        if (line.starts_with("-") && !line.starts_with("---"))
            ++removed;
        if (line.starts_with("+") && !line.starts_with("+++"))
            ++added;
    }
    EXPECT_GT(removed, 0);
    EXPECT_LE(added, 1);  // at most the comma of the line before

    auto undo = AISetup::apply(*issue->fix, WallTime::fromUnixSeconds(1000));
    ASSERT_TRUE(undo) << undo.error().context;
    std::string fixed = readAll(settings());
    EXPECT_EQ(fixed.find("/opt/gone/alert.sh"), std::string::npos);
    EXPECT_NE(fixed.find("notify-send 'Claude needs you'"), std::string::npos);
    EXPECT_LT(fixed.find("\"model\""), fixed.find("\"hooks\""));
    EXPECT_LT(fixed.find("\"hooks\""), fixed.find("\"permissions\""));

    ASSERT_TRUE(AISetup::undo(*undo, WallTime::fromUnixSeconds(1060)));
    EXPECT_EQ(readAll(settings()), userSettings);
}

TEST_F(SetupFixture, undo_and_apply_leave_a_file_alone_once_someone_else_changed_it)
{
    write(settings(), userSettings);
    auto report = AISetup::scan(env, {});
    auto fix = *find(report, "A hook's command isn't on this computer")->fix;
    auto undo = AISetup::apply(fix, WallTime::fromUnixSeconds(1000));
    ASSERT_TRUE(undo);

    write(settings(), "{\"model\": \"sonnet\"}\n");
    EXPECT_FALSE(AISetup::undo(*undo, WallTime::fromUnixSeconds(1010)));
    EXPECT_FALSE(AISetup::apply(fix, WallTime::fromUnixSeconds(1010)));
    EXPECT_EQ(readAll(settings()), "{\"model\": \"sonnet\"}\n");

    write(settings(), undo->writtenText);
    EXPECT_FALSE(AISetup::undo(*undo, undo->until.plusSeconds(1)));
    EXPECT_TRUE(AISetup::undo(*undo, undo->until));
}

TEST_F(SetupFixture, a_pre_tool_hook_that_hands_back_changed_bash_input_is_reported)
{
    write(settings(), userSettings);
    auto report = AISetup::scan(env, {});
    const auto* issue = find(report, "A hook rewrites every Bash command");
    ASSERT_NE(issue, nullptr);
    EXPECT_EQ(issue->detail, " — auto mode refuses file writes");
    ASSERT_TRUE(issue->fix);
    EXPECT_EQ(issue->fix->newText.find("updatedInput"), std::string::npos);
    // The matcher group held only that hook, so it goes with it.
    EXPECT_EQ(issue->fix->newText.find("\"matcher\""), std::string::npos);
}

TEST_F(SetupFixture, project_hooks_resolve_against_the_project_and_broken_files_are_reported_without_a_fix)
{
    fs::path project = home / "work/app";
    write(project / ".claude/hooks/check.sh", "#!/bin/sh\n", fs::perms::owner_all);
    write(project / ".claude/settings.json", R"({"hooks": {"Stop": [{"hooks": [
        {"type": "command", "command": "\"$CLAUDE_PROJECT_DIR\"/.claude/hooks/check.sh"},
        {"type": "command", "command": "$CLAUDE_PROJECT_DIR/.claude/hooks/lint.sh"},
        {"type": "command", "command": "{ echo done; } >/dev/null"},
        {"type": "command", "command": "$(which tool) run"}]}]}})");
    write(project / ".claude/settings.local.json", "{\"hooks\": ");
    auto report = AISetup::scan(env, {{project}, {}});

    int missing = 0;
    for (const auto& issue : report.issues)
        if (issue.title == "A hook's command isn't on this computer") {
            ++missing;
            EXPECT_NE(issue.detail.find("lint.sh"), std::string::npos);
        }
    EXPECT_EQ(missing, 1);
    const auto* broken = find(report, "~/work/app/.claude/settings.local.json isn't valid JSON");
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->detail, " · Claude Code ignores what's in it");
    EXPECT_FALSE(broken->fix);
}

TEST_F(SetupFixture, a_plugin_switched_on_but_never_installed_is_turned_off_by_its_fix)
{
    write(settings(), R"({"enabledPlugins": {"review@tools": true, "lint@tools": true, "old@tools": false}})");
    write(home / ".claude/plugins/installed_plugins.json", R"({"version": 2, "plugins": {"lint@tools": []}})");
    auto report = AISetup::scan(env, {});
    ASSERT_EQ(report.issues.size(), 1u);
    EXPECT_EQ(report.issues[0].title, "review@tools is on but not installed");
    ASSERT_TRUE(report.issues[0].fix);
    EXPECT_EQ(report.issues[0].fix->newText,
              R"({"enabledPlugins":{"review@tools":false,"lint@tools":true,"old@tools":false}})");

    fs::remove(home / ".claude/plugins/installed_plugins.json");
    EXPECT_TRUE(AISetup::scan(env, {}).issues.empty()) << "without the plugin list nothing is called missing";
}

TEST_F(SetupFixture, only_connected_integrations_are_missed_and_an_edited_one_is_left_to_the_user)
{
    using State = ConnectionStatus::State;
    WriteResult reinstall{(home / ".claude/settings.json").string(), "{\"hooks\": {}}\n", std::nullopt, {}};
    AISetup::Input input;
    input.integrations = {
        {"claude.hooks", {State::missing, "Lunebox's Claude hooks are missing", ""}, true, reinstall},
        {"claude.statusline", {State::disconnected, "Lunebox's statusline is disconnected", ""}, false, reinstall},
        {"codex.notify", {State::edited, "Lunebox's notify was edited", " · set it back by hand"}, true, reinstall},
    };
    auto report = AISetup::scan(env, input);
    ASSERT_EQ(report.issues.size(), 2u);
    EXPECT_EQ(report.issues[0].title, "Lunebox's Claude hooks are missing");
    ASSERT_TRUE(report.issues[0].fix);
    EXPECT_EQ(report.issues[0].fix->change.kind, AISetup::Change::Kind::reconnect);
    EXPECT_EQ(report.issues[0].fix->change.integration, "claude.hooks");
    EXPECT_FALSE(report.issues[0].fix->oldText);
    EXPECT_FALSE(report.issues[1].fix);

    AlertPost post = AISetup::alert(report.issues[0]);
    EXPECT_EQ(post.kind, "ai.setupIssue");
    EXPECT_EQ(post.title, "AI setup: lunebox's Claude hooks are missing");
    EXPECT_EQ(AISetup::alert(report.issues[1]).body, "set it back by hand");
}

TEST_F(SetupFixture, installed_agents_are_found_with_the_version_of_their_package)
{
    fs::path package = home / ".npm-global/lib/node_modules/agent-cli";
    write(package / "package.json", R"({"name": "agent-cli", "version": "2.0.14"})");
    write(package / "cli.js", "#!/usr/bin/env node\n", fs::perms::owner_all);
    fs::create_symlink(package / "cli.js", bin / "claude");
    write(home / ".local/bin/codex", "#!/bin/sh\n", fs::perms::owner_all);

    auto apps = AISetup::scan(env, {}).apps;
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].agent, AgentKind::claudeCode);
    EXPECT_EQ(apps[0].version, "2.0.14");
    EXPECT_EQ(apps[1].agent, AgentKind::codex);
    EXPECT_EQ(apps[1].path, home / ".local/bin/codex");
    EXPECT_FALSE(apps[1].version);
}

TEST(IntegrationRegistry, changes_to_the_files_a_scan_reads_call_for_a_new_scan)
{
    IntegrationEnv env{"/home/dev", {{"CODEX_HOME", "/home/dev/.config/codex"}}, ""};
    EXPECT_TRUE(IntegrationRegistry::isRelevant({"/home/dev/work/app/.claude/settings.local.json"}, env));
    EXPECT_TRUE(IntegrationRegistry::isRelevant({"/home/dev/.config/codex/config.toml"}, env));
    EXPECT_TRUE(IntegrationRegistry::isRelevant({"/home/dev/.claude"}, env));
    EXPECT_FALSE(IntegrationRegistry::isRelevant({"/home/dev/.claude/projects/x/1.jsonl"}, env));

    auto entries = IntegrationRegistry::entries(env, {"/home/dev/work/app", "/home/dev"});
    ASSERT_EQ(entries.size(), 5u) << "the home folder as a project adds nothing";
    EXPECT_EQ(entries.back().path, "/home/dev/.config/codex/config.toml");
}

}  // namespace
}  // namespace corvane
