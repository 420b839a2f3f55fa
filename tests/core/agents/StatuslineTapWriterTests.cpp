#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/agents/StatuslineTapWriter.h"
#include "tests/core/agents/IntegrationFiles.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::claudeSettingsFixture;
using testing::writeText;

const std::string userCommand = R"(~/bin/prompt-line --theme dusk --label "it's me")";

class StatuslineTap : public ::testing::Test {
protected:
    StatuslineTapWriter writer(const std::string& helper = "/opt/Lune box/corvane-statusline") const
    {
        return StatuslineTapWriter(IntegrationEnv{folder_.path(), {}, helper});
    }
    fs::path settings() const { return folder_ / ".claude/settings.json"; }

    testing::TemporaryFolder folder_;
};

TEST_F(StatuslineTap, the_tap_quotes_both_commands_and_falls_back_to_the_users_own)
{
    EXPECT_EQ(writer().command(std::nullopt),
              "if [ -x '/opt/Lune box/corvane-statusline' ]; then exec '/opt/Lune box/corvane-statusline'; fi "
              "# corvane-statusline");
    EXPECT_EQ(writer().command(userCommand),
              "if [ -x '/opt/Lune box/corvane-statusline' ]; then exec '/opt/Lune box/corvane-statusline' --wrap "
              R"('~/bin/prompt-line --theme dusk --label "it'\''s me"'; else exec /bin/sh -c )"
              R"('~/bin/prompt-line --theme dusk --label "it'\''s me"'; fi # corvane-statusline)");
}

TEST_F(StatuslineTap, original_reads_the_users_command_back_from_either_form)
{
    EXPECT_EQ(StatuslineTapWriter::original(writer().command(userCommand)), userCommand);
    EXPECT_EQ(StatuslineTapWriter::original(R"('/usr/lib/h' --wrap 'echo '\''hi'\''')"), "echo 'hi'");
    EXPECT_EQ(StatuslineTapWriter::original(writer().command(std::nullopt)), std::nullopt);
    EXPECT_EQ(StatuslineTapWriter::original("echo hi"), std::nullopt);
    // A fallback that no longer matches the wrapped command is not a tap of ours.
    EXPECT_EQ(StatuslineTapWriter::original("if [ -x 'h' ]; then exec 'h' --wrap 'a'; else exec /bin/sh -c 'b'; fi"),
              std::nullopt);
}

TEST_F(StatuslineTap, install_wraps_the_users_statusline_and_uninstall_restores_it_exactly)
{
    std::string original = claudeSettingsFixture();
    writeText(settings(), original);
    EXPECT_EQ(writer().status().text, "Lunebox's statusline is disconnected");
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok()) << installed.error().message();
    auto json = nlohmann::ordered_json::parse(installed->text);
    EXPECT_EQ(json["statusLine"]["command"], writer().command(userCommand));
    EXPECT_EQ(json["statusLine"]["padding"], 0);
    EXPECT_EQ(installed->record.replacedRaw.at("statusLine.command"), nlohmann::json(userCommand).dump());
    writeText(settings(), installed->text);
    EXPECT_EQ(writer().status().state, ConnectionStatus::State::connected);

    // A moved app makes the tap outdated; reconnecting keeps the user's command inside.
    EXPECT_EQ(writer("/usr/lib/lunebox/corvane-statusline").status().state, ConnectionStatus::State::outdated);
    auto moved = writer("/usr/lib/lunebox/corvane-statusline").install();
    ASSERT_TRUE(moved.ok());
    EXPECT_EQ(StatuslineTapWriter::original(nlohmann::json::parse(moved->text)["statusLine"]["command"].get<std::string>()),
              userCommand);

    auto removed = writer().uninstall(installed->record);
    ASSERT_TRUE(removed.ok()) << removed.error().message();
    EXPECT_EQ(removed->text, original);
}

TEST_F(StatuslineTap, a_tap_the_user_changed_is_reported_as_edited_and_left_alone)
{
    writeText(settings(), "{\n  \"model\": \"opus\"\n}\n");
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok());
    auto json = nlohmann::ordered_json::parse(installed->text);
    json["statusLine"]["command"] = "exec my-line # corvane-statusline";
    writeText(settings(), json.dump(2) + "\n");
    EXPECT_EQ(writer().status().text, "Lunebox's statusline was edited");
    EXPECT_EQ(writer().status().detail, " · set it back by hand, or reconnect in Settings › Integrations");
    auto removed = writer().uninstall(installed->record);
    ASSERT_FALSE(removed.ok());
    EXPECT_EQ(removed.error().context,
              "Lunebox's statusline was edited after connecting — set it back or edit it by hand");

    // Without a statusline before, removing the tap removes the member.
    writeText(settings(), installed->text);
    auto back = writer().uninstall(installed->record);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->text, "{\n  \"model\": \"opus\"\n}\n");
}

}  // namespace
}  // namespace corvane
