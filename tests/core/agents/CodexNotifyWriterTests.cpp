#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/agents/CodexNotifyWriter.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string helper = "/opt/Lune Box/corvane-statusline";

const std::string configHead = R"(# Codex settings
model = "gpt-5-codex"   # the default model
approval_policy = 'on-request'
sandbox_mode = """workspace-write"""
tags = [
  [1, 2],   # a line that starts with a bracket is not a table
  { a = "]" },
]
)";

const std::string configTail = R"(
[profiles.fast]
model = "gpt-5-mini"
notify = ["only", "in", "a", "profile"]

[mcp_servers.docs]
command = "npx"
args = ["-y", "docs-server"]
)";

class CodexNotifyWriterFile : public ::testing::Test {
protected:
    CodexNotifyWriter writer() const
    {
        return CodexNotifyWriter(IntegrationEnv{folder_ / "home", {{"CODEX_HOME", (folder_ / "codex").string()}}, helper});
    }

    void write(const std::string& text)
    {
        fs::create_directories(folder_ / "codex");
        std::ofstream(folder_ / "codex" / "config.toml", std::ios::binary) << text;
    }

    // Installs, checks the line, writes the result, then uninstalls.
    std::string roundTrip(const std::string& text, const std::vector<std::string>& expectedWrapping)
    {
        write(text);
        auto installed = writer().install();
        EXPECT_TRUE(installed.ok()) << (installed.ok() ? "" : installed.error().context);
        if (!installed.ok())
            return {};
        std::string line = writer().line(expectedWrapping);
        EXPECT_NE(installed->text.find(line), std::string::npos) << installed->text;
        EXPECT_EQ(installed->record.created, std::vector<std::string>{line});
        write(installed->text);
        EXPECT_TRUE(writer().status().connected());
        auto removed = writer().uninstall(installed->record);
        EXPECT_TRUE(removed.ok()) << (removed.ok() ? "" : removed.error().context);
        return removed.ok() ? removed->text : std::string();
    }

    testing::TemporaryFolder folder_;
};

TEST_F(CodexNotifyWriterFile, the_notify_program_runs_the_helper_and_then_the_previous_notifier)
{
    EXPECT_EQ(writer().path(), folder_ / "codex" / "config.toml");
    EXPECT_EQ(CodexNotifyWriter(IntegrationEnv{"/home/u", {}, helper}).path(), fs::path("/home/u/.codex/config.toml"));
    EXPECT_EQ(writer().argv({}),
              (std::vector<std::string>{"/bin/sh", "-c",
                                        "if [ -x '/opt/Lune Box/corvane-statusline' ]; then exec '/opt/Lune "
                                        "Box/corvane-statusline' codex-notify \"$@\"; fi",
                                        "corvane"}));
    std::vector<std::string> wrapped = writer().argv({"notify-send", "Codex"});
    EXPECT_TRUE(wrapped[2].ends_with(" codex-notify \"$@\"; else exec \"$@\"; fi"));
    EXPECT_EQ(CodexNotifyWriter::wrapped(wrapped), (std::vector<std::string>{"notify-send", "Codex"}));
    EXPECT_EQ(CodexNotifyWriter::wrapped({"notify-send", "Codex"}), std::nullopt);
}

TEST_F(CodexNotifyWriterFile, an_existing_notify_list_is_wrapped_and_comes_back_byte_for_byte)
{
    std::string single = configHead + "notify = [\"notify-send\", 'C:\\literal']  # mine\n" + configTail;
    EXPECT_EQ(roundTrip(single, {"notify-send", "C:\\literal"}), single);

    std::string multi = configHead + "notify = [\n  \"python3\",  # the interpreter\n  \"/home/u/notify.py\",\n"
                        "  \"tab\\there \\u00e9 \\\"quoted\\\"\",\n]\n" + configTail;
    EXPECT_EQ(roundTrip(multi, {"python3", "/home/u/notify.py", "tab\there \u00e9 \"quoted\""}), multi);

    // A previous list without a final line end stays without one.
    std::string last = "model = \"o3\"\nnotify = [\"say\", \"done\"]";
    EXPECT_EQ(roundTrip(last, {"say", "done"}), last);
}

TEST_F(CodexNotifyWriterFile, without_a_notify_the_line_goes_before_the_first_table_and_leaves_cleanly)
{
    // The profile's notify is not the top-level one.
    std::string text = configHead + configTail;
    write(text);
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok());
    EXPECT_EQ(installed->text, configHead + "\n" + writer().line({}) + "\n" + configTail.substr(1));
    EXPECT_TRUE(installed->record.replacedRaw.empty());
    EXPECT_EQ(roundTrip(text, {}), text);

    EXPECT_EQ(roundTrip("model = \"o3\"", {}), "model = \"o3\"");

    // A file the app created is empty again after removal: the caller deletes it.
    fs::remove(folder_ / "codex" / "config.toml");
    auto created = writer().install();
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(created->record.createdFile);
    EXPECT_EQ(created->text, writer().line({}) + "\n");
    write(created->text);
    auto removed = writer().uninstall(created->record);
    ASSERT_TRUE(removed.ok());
    EXPECT_EQ(removed->text, "");
}

TEST_F(CodexNotifyWriterFile, files_it_cannot_edit_safely_are_refused_with_the_sentence_and_left_alone)
{
    auto refusal = [&](const std::string& text) {
        write(text);
        auto installed = writer().install();
        EXPECT_FALSE(installed.ok()) << text;
        return installed.ok() ? std::string() : installed.error().context;
    };
    EXPECT_EQ(refusal("model = \"o3\"\r\nnotify = [\"say\"]\r\n"),
              "config.toml uses Windows line endings (CRLF), so Lunebox won't edit it");
    EXPECT_EQ(refusal("notify = \"say done\"\n"), "\"notify\" isn't a list of strings");
    EXPECT_EQ(refusal("notify = [\"say\", 3]\n"), "\"notify\" isn't a list of strings");
    EXPECT_EQ(refusal("notify = [\"say\", \"unterminated]\n"), "config.toml's notify can't be read");
    EXPECT_EQ(refusal("notify = [\"\"\"multi\"\"\"]\n"), "config.toml's notify can't be read");
    EXPECT_EQ(refusal("notify = [\"bad \\q escape\"]\n"), "config.toml's notify can't be read");
    EXPECT_EQ(writer().status().state, ConnectionStatus::State::unavailable);
}

TEST_F(CodexNotifyWriterFile, status_and_removal_follow_what_happened_to_the_line)
{
    write("notify = [\"say\"]\n");
    EXPECT_EQ(writer().status(), (ConnectionStatus{ConnectionStatus::State::missing,
                                                   "Lunebox's Codex notifier is missing",
                                                   " · alerts from Codex come late or not at all"}));
    auto installed = writer().install();
    ASSERT_TRUE(installed.ok());
    write(installed->text);

    // Installing again keeps the user's notifier wrapped once.
    auto again = writer().install();
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->text, installed->text);
    EXPECT_EQ(installed->record.merged(again->record).replacedRaw.at("notify"), "notify = [\"say\"]\n");

    // A moved helper makes the line outdated; a rewritten script is edited.
    CodexNotifyWriter moved(IntegrationEnv{folder_ / "home", {{"CODEX_HOME", (folder_ / "codex").string()}}, "/usr/lib/x"});
    EXPECT_EQ(moved.status().state, ConnectionStatus::State::outdated);
    std::string script = installed->text;
    script.replace(script.find("exec \\\"$@\\\""), 4, "eval");
    write(script);
    EXPECT_EQ(writer().status().text, "Lunebox's Codex notifier was edited");

    // A changed previous notifier still works, but is not what the app wrote.
    std::string edited = installed->text;
    edited.replace(edited.find("\"say\""), 5, "\"echo\"");
    write(edited);
    EXPECT_TRUE(writer().status().connected());
    auto refused = writer().uninstall(installed->record);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().context,
              "Lunebox's notify was edited after connecting — set it back or edit it by hand");

    write("model = \"o3\"\n");
    auto gone = writer().uninstall(installed->record);
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().context, "That hook isn't in the file any more");
}

}  // namespace
}  // namespace corvane
