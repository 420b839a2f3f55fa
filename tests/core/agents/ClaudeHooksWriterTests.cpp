#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/agents/ClaudeHooksWriter.h"
#include "tests/core/agents/IntegrationFiles.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::claudeSettingsFixture;
using testing::readText;
using testing::writeText;
using Kind = ClaudeHookEvent::Kind;

class ClaudeHooks : public ::testing::Test {
protected:
    IntegrationEnv env() const { return {folder_ / "home", {{"CLAUDE_CONFIG_DIR", (folder_ / "claude").string()}}, {}}; }
    fs::path settings() const { return folder_ / "claude" / "settings.json"; }
    ClaudeHooksWriter writer() const { return ClaudeHooksWriter(env()); }

    testing::TemporaryFolder folder_;
};

TEST_F(ClaudeHooks, the_file_is_in_the_claude_config_folder_else_in_dot_claude)
{
    EXPECT_EQ(writer().path(), settings());
    EXPECT_EQ(ClaudeHooksWriter(IntegrationEnv{"/home/u", {}, {}}).path(), fs::path("/home/u/.claude/settings.json"));
}

TEST_F(ClaudeHooks, install_appends_one_group_per_event_and_uninstall_gives_the_users_bytes_back)
{
    std::string original = claudeSettingsFixture();
    writeText(settings(), original);
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok()) << installed.error().message();
    EXPECT_EQ(installed->previous, original);
    EXPECT_FALSE(installed->record.createdFile);

    auto json = nlohmann::ordered_json::parse(installed->text);
    // Every other member stays where it was; the user's Stop hook stays first.
    std::vector<std::string> keys;
    for (auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"permissions", "model", "hooks", "env", "statusLine", "outputStyle",
                                              "includeCoAuthoredBy"}));
    ASSERT_EQ(json["hooks"]["Stop"].size(), 2u);
    EXPECT_EQ(json["hooks"]["Stop"][0]["hooks"][0]["command"], "notify-send 'Claude finished'");
    EXPECT_EQ(json["hooks"]["Stop"][1]["hooks"][0]["command"], ClaudeHooksWriter::command(Kind::stop));
    EXPECT_EQ(json["hooks"]["Notification"][0]["hooks"][0]["command"], ClaudeHooksWriter::command(Kind::needsInput));
    EXPECT_EQ(json["hooks"]["UserPromptSubmit"][0]["hooks"][0]["type"], "command");

    writeText(settings(), installed->text);
    EXPECT_EQ(writer().status().state, ConnectionStatus::State::connected);
    // Installing again changes nothing.
    auto again = writer().install();
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->text, installed->text);

    auto removed = writer().uninstall(installed->record);
    ASSERT_TRUE(removed.ok()) << removed.error().message();
    EXPECT_EQ(removed->text, original);
}

TEST_F(ClaudeHooks, a_file_the_app_created_is_deleted_again_and_a_compact_file_stays_compact)
{
    auto created = writer().install();
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(created->record.createdFile);
    EXPECT_FALSE(created->previous.has_value());
    writeText(settings(), created->text);
    auto removed = writer().uninstall(created->record);
    ASSERT_TRUE(removed.ok());
    EXPECT_EQ(removed->text, "");

    std::string compact = R"({"model":"sonnet","hooks":{"Stop":[]}})";
    writeText(settings(), compact);
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok());
    EXPECT_EQ(installed->text.find('\n'), std::string::npos);
    writeText(settings(), installed->text);
    auto back = writer().uninstall(installed->record);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->text, compact);
}

TEST_F(ClaudeHooks, an_older_hook_is_updated_in_place_and_an_edited_one_is_refused)
{
    std::string older = R"({ d="$HOME/old/inbox"; printf x > "$d/f"; } >/dev/null 2>&1; exit 0 # corvane-hook)";
    writeText(settings(), R"({"hooks": {"Stop": [{"hooks": [{"type": "command", "command": )"
                              + nlohmann::json(older).dump() + "}]}]}}\n");
    EXPECT_EQ(writer().status().text, "Lunebox's Claude hooks need an update");
    EXPECT_EQ(writer().status().detail, " · alerts from Claude Code come late or not at all");
    auto updated = writer().install();
    ASSERT_TRUE(updated.ok());
    auto result = nlohmann::ordered_json::parse(updated->text);
    ASSERT_EQ(result["hooks"]["Stop"].size(), 1u);
    EXPECT_EQ(result["hooks"]["Stop"][0]["hooks"][0]["command"], ClaudeHooksWriter::command(Kind::stop));

    // The user changed our command: nothing is written or removed.
    result["hooks"]["Stop"][0]["hooks"][0]["command"] = "say done # corvane-hook";
    writeText(settings(), result.dump(2) + "\n");
    EXPECT_EQ(writer().status().text, "Lunebox's Claude hooks were edited");
    auto install = writer().install();
    auto uninstall = writer().uninstall(updated->record);
    for (const auto* refused : {&install, &uninstall}) {
        ASSERT_FALSE(refused->ok());
        EXPECT_EQ(refused->error().code, Error::Code::Invalid);
        EXPECT_EQ(refused->error().context,
                  "Lunebox's hooks were edited after connecting — remove them by hand, then connect again");
    }
}

TEST_F(ClaudeHooks, settings_that_are_not_json_are_refused_and_reported)
{
    writeText(settings(), "{ \"model\": \"opus\", }\n");
    auto install = writer().install();
    ASSERT_FALSE(install.ok());
    EXPECT_EQ(install.error().context, "settings.json isn't valid JSON · Claude Code ignores what's in it");
    EXPECT_EQ(writer().status().state, ConnectionStatus::State::unavailable);

    writeText(settings(), claudeSettingsFixture());
    EXPECT_EQ(writer().status().text, "Lunebox's Claude hooks are missing");
    auto gone = writer().uninstall(InstallRecord{false, {ClaudeHooksWriter::command(Kind::stop)}, {}});
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().context, "That hook isn't in the file any more");
}

}  // namespace
}  // namespace corvane
