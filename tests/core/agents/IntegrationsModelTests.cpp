#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "core/agents/ClaudeHooksWriter.h"
#include "core/agents/IntegrationsModel.h"
#include "core/base/JsonStore.h"
#include "tests/core/agents/IntegrationFiles.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::claudeSettingsFixture;
using testing::readText;
using testing::writeText;

class Integrations : public ::testing::Test {
protected:
    Integrations()
    {
        writeText(helper(), "#!/bin/sh\n");
        fs::permissions(helper(), fs::perms::owner_all);
    }
    fs::path home() const { return folder_ / "home"; }
    fs::path helper() const { return home() / "bin/corvane-statusline"; }
    fs::path settings() const { return home() / ".claude/settings.json"; }
    fs::path data() const { return folder_ / "data"; }

    IntegrationsModel model(const fs::path& helperPath) const
    {
        IntegrationEnv env{home(), {{"SHELL", "/bin/bash"}}, {}};
        return IntegrationsModel(data(), IntegrationTargets::writable(env, helperPath.string(), 30), clock_,
                                 Calendar::utc());
    }
    IntegrationsModel model() const { return model(helper()); }

    testing::TemporaryFolder folder_;
    ManualClock clock_{WallTime::fromUnixSeconds(1780000000)};
};

TEST_F(Integrations, connecting_backs_up_keeps_the_mode_and_disconnecting_restores_the_bytes)
{
    std::string original = claudeSettingsFixture();
    writeText(settings(), original);
    fs::permissions(settings(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto integrations = model();
    EXPECT_EQ(integrations.ids(),
              (std::vector<std::string>{"claude.hooks", "claude.statusline", "codex.notify", "shell.commandHook"}));

    auto hooks = integrations.connect("claude.hooks");
    ASSERT_TRUE(hooks.ok()) << hooks.error().context;
    EXPECT_EQ(hooks->diff.at(0), "--- " + settings().string());
    auto statusline = integrations.connect("claude.statusline");
    ASSERT_TRUE(statusline.ok()) << statusline.error().context;
    EXPECT_EQ(fs::status(settings()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (const auto& entry : fs::directory_iterator(settings().parent_path()))
        EXPECT_EQ(entry.path().filename(), "settings.json");  // no temporary file left behind

    auto manifests = integrations.manifests();
    ASSERT_EQ(manifests.size(), 2u);
    ASSERT_TRUE(manifests[0].backup.has_value());
    EXPECT_EQ(manifests[1].backup, manifests[0].backup);  // one backup per file, from before the first edit
    EXPECT_EQ(readText(*manifests[0].backup), original);
    auto stored = nlohmann::json::parse(readText(data() / "integrations/installed.json"));
    EXPECT_EQ(stored[0]["id"], "claude.hooks");
    EXPECT_EQ(stored[0]["path"], settings().string());
    EXPECT_EQ(stored[0]["installedAt"], toJson(clock_.now()));
    EXPECT_TRUE(stored[0]["record"]["created"].is_array());

    // Reconnecting merges the records and changes nothing.
    auto again = integrations.connect("claude.hooks");
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again->diff.empty());

    ASSERT_TRUE(integrations.disconnect("claude.hooks").ok());
    ASSERT_TRUE(integrations.disconnect("claude.statusline").ok());
    EXPECT_EQ(readText(settings()), original);
    EXPECT_TRUE(integrations.manifests().empty());
    EXPECT_EQ(integrations.statuses()[0].second.state, ConnectionStatus::State::missing);
}

TEST_F(Integrations, a_file_the_app_created_is_deleted_by_the_last_disconnect)
{
    auto integrations = model();
    ASSERT_TRUE(integrations.connect("claude.hooks").ok());
    ASSERT_TRUE(integrations.connect("claude.statusline").ok());
    EXPECT_EQ(fs::status(settings()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(integrations.disconnect("claude.hooks").ok());
    EXPECT_TRUE(fs::exists(settings()));
    auto last = integrations.disconnect("claude.statusline");
    ASSERT_TRUE(last.ok());
    EXPECT_TRUE(last->deleted);
    EXPECT_FALSE(fs::exists(settings()));
}

TEST_F(Integrations, links_read_only_and_edited_files_are_refused_and_left_byte_for_byte)
{
    std::string original = claudeSettingsFixture();
    writeText(home() / "dotfiles/claude.json", original);
    fs::create_directories(settings().parent_path());
    fs::create_symlink(home() / "dotfiles/claude.json", settings());
    auto integrations = model();
    auto linked = integrations.connect("claude.hooks");
    ASSERT_FALSE(linked.ok());
    EXPECT_EQ(linked.error().context,
              "settings.json is a link to another file, so Lunebox won't edit it — edit the file it points to by hand");
    EXPECT_EQ(readText(home() / "dotfiles/claude.json"), original);

    fs::remove(settings());
    writeText(settings(), original);
    fs::permissions(settings(), fs::perms::owner_read);
    auto readOnly = integrations.connect("claude.hooks");
    ASSERT_FALSE(readOnly.ok());
    EXPECT_EQ(readOnly.error().context, "settings.json is read-only, so Lunebox won't edit it");
    EXPECT_EQ(readText(settings()), original);

    // Edited after connecting: removal points to the backup.
    fs::permissions(settings(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(integrations.connect("claude.hooks").ok());
    std::string text = readText(settings());
    std::string mine = nlohmann::json(ClaudeHooksWriter::command(ClaudeHookEvent::Kind::stop)).dump();
    text.replace(text.find(mine), mine.size(), R"("say done # corvane-hook")");
    writeText(settings(), text);
    auto edited = integrations.disconnect("claude.hooks");
    ASSERT_FALSE(edited.ok());
    EXPECT_EQ(edited.error().context,
              "Lunebox's hooks were edited after connecting — remove them by hand, then connect again. settings.json "
              "changed since — the backup is in Lunebox's integrations folder.");
    EXPECT_EQ(readText(settings()), text);
}

TEST_F(Integrations, a_blocked_helper_refuses_the_taps_and_unknown_ids_name_the_known_ones)
{
    EXPECT_EQ(IntegrationTargets::helperBlocked(helper(), home()), std::nullopt);
    EXPECT_TRUE(IntegrationTargets::helperBlocked(home() / "bin/missing", home()).has_value());
    fs::permissions(helper(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(IntegrationTargets::helperBlocked(helper(), home()).has_value());
    fs::permissions(helper(), fs::perms::owner_all);
    // Outside the home, a build tree in a temporary folder is fine, an
    // unpacked bundle there is not.
    EXPECT_EQ(IntegrationTargets::helperBlocked(helper(), "/nonexistent-home"), std::nullopt);
    fs::path unpacked = home() / ".mount_Lunebox3xQ/usr/bin/corvane-statusline";
    writeText(unpacked, "#!/bin/sh\n");
    fs::permissions(unpacked, fs::perms::owner_all);
    EXPECT_EQ(IntegrationTargets::helperBlocked(unpacked, "/nonexistent-home"),
              "Lunebox runs from a temporary folder, so this can't be connected — install Lunebox first");

    auto integrations = model(home() / "bin/missing");
    auto tap = integrations.connect("claude.statusline");
    ASSERT_FALSE(tap.ok());
    EXPECT_EQ(tap.error().context, "Lunebox's helper program is missing or can't run, so this can't be connected");
    EXPECT_FALSE(fs::exists(settings()));
    EXPECT_TRUE(integrations.connect("claude.hooks").ok());  // the hooks need no helper

    auto unknown = integrations.connect("claude.statusLine");
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().context, "There is no integration \"claude.statusLine\" — use one of: claude.hooks, "
                                       "claude.statusline, codex.notify, shell.commandHook");
}

TEST_F(Integrations, a_manifest_that_does_not_decode_is_moved_aside)
{
    writeText(data() / "integrations/installed.json", "{ not json");
    EXPECT_TRUE(model().manifests().empty());
    EXPECT_TRUE(fs::exists(data() / "integrations/installed.json.corrupt-20260528-202640"));
}

}  // namespace
}  // namespace corvane
