#include "core/agents/ClaudeHookInbox.h"

#include <algorithm>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const WallTime now = WallTime::fromUnixSeconds(1772356600);

// What the installed Claude Code hook writes, field for field.
std::string claudeFile(const std::string& event, const std::string& session = "5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94",
                       const std::string& tty = "pts/3")
{
    return R"({"agent":"claude","project":"lunebox","event":")" + event
           + R"(","app":"","term":"kitty","session":")" + session + R"(","tty":")" + tty + R"("})";
}

void write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> names(const std::vector<fs::path>& paths)
{
    std::vector<std::string> out;
    for (const auto& path : paths)
        out.push_back(path.filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ClaudeHookInbox, recognises_only_the_hook_file_names)
{
    EXPECT_EQ(ClaudeHookInbox::isInboxFile("claude-4242-1772356500.json"), AgentKind::claudeCode);
    EXPECT_EQ(ClaudeHookInbox::isInboxFile("codex-7-1772356500.json"), AgentKind::codex);
    for (const char* name : {".claude-4242-1772356500.json.tmp", "claude-4242-1772356500.json.tmp", "claude-42.json",
                             "claude--1772356500.json", "claude-4a-1.json", "cmd-1-2.json", "claude-1-2.JSON",
                             "claude-1-2-3.json", "codex-1-2.jsonl"})
        EXPECT_EQ(ClaudeHookInbox::isInboxFile(name), std::nullopt) << name;
}

TEST(ClaudeHookInbox, reads_every_hook_file_once_and_leaves_other_names_alone)
{
    testing::TemporaryFolder inbox;
    write(inbox / "claude-100-1772356500.json", claudeFile("stop"));
    write(inbox / "claude-101-1772356490.json", claudeFile("start"));
    write(inbox / "codex-102-1772356495.json", R"({"agent":"codex","event":"stop","project":"docs"})");
    // Still being written under its temporary name: never read, never removed.
    write(inbox / ".claude-103-1772356501.json.tmp", R"({"agent":"claude","event":"sto)");
    write(inbox / "cmd-104-1772356501.json", R"({"kind":"command","name":"make","s":40,"exit":0})");
    write(inbox / "claude-notes.json", claudeFile("stop"));
    fs::create_directory(inbox / "claude-1-1.json");

    auto batch = ClaudeHookInbox::read(inbox.path(), now);
    ASSERT_EQ(batch.events.size(), 3u);
    EXPECT_EQ(batch.events[0], (HookInboxEvent{AgentKind::claudeCode, {ClaudeHookEvent::Kind::start, "lunebox"},
                                               "5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94", "/dev/pts/3", "kitty",
                                               WallTime::fromUnixSeconds(1772356490)}));
    EXPECT_EQ(batch.events[1], (HookInboxEvent{AgentKind::codex, {ClaudeHookEvent::Kind::stop, "docs"}, std::nullopt,
                                               std::nullopt, std::nullopt, WallTime::fromUnixSeconds(1772356495)}));
    EXPECT_EQ(batch.events[2].event.kind, ClaudeHookEvent::Kind::stop);
    EXPECT_EQ(batch.ignored, 0u);
    EXPECT_EQ(names(batch.remove), (std::vector<std::string>{"claude-100-1772356500.json", "claude-101-1772356490.json",
                                                              "codex-102-1772356495.json"}));

    ClaudeHookInbox::removeRead(batch);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(inbox.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".claude-103-1772356501.json.tmp", "claude-1-1.json",
                                              "claude-notes.json", "cmd-104-1772356501.json"}));
}

TEST(ClaudeHookInbox, ignores_and_removes_files_that_are_too_large_not_json_or_of_an_unknown_event)
{
    testing::TemporaryFolder inbox;
    std::string padded = claudeFile("stop");
    padded.insert(padded.size() - 1, std::string(ClaudeHookInbox::maxBytes - padded.size(), ' '));
    ASSERT_EQ(padded.size(), ClaudeHookInbox::maxBytes);
    write(inbox / "claude-1-1772356500.json", padded);
    write(inbox / "claude-2-1772356500.json", padded + " ");
    write(inbox / "claude-3-1772356500.json", "stop");
    write(inbox / "claude-4-1772356500.json", claudeFile("subagentStop"));
    write(inbox / "claude-5-1772356500.json", R"(["stop"])");
    write(inbox / "claude-6-1772356500.json", R"({"event":"stop","project":7})");
    // The Codex notifier reports only finished turns, and only as Codex.
    write(inbox / "codex-7-1772356500.json", R"({"agent":"codex","event":"notification","project":"docs"})");
    write(inbox / "codex-8-1772356500.json", R"({"agent":"claude","event":"stop","project":"docs"})");

    auto batch = ClaudeHookInbox::read(inbox.path(), now);
    ASSERT_EQ(batch.events.size(), 1u);
    EXPECT_EQ(batch.events.front().event, (ClaudeHookEvent{ClaudeHookEvent::Kind::stop, "lunebox"}));
    EXPECT_EQ(batch.ignored, 7u);
    EXPECT_EQ(batch.remove.size(), 8u);
}

TEST(ClaudeHookInbox, keeps_only_fields_of_the_expected_shape)
{
    auto parse = [](const std::string& data) {
        return ClaudeHookInbox::parse(data, AgentKind::claudeCode, now);
    };
    for (const char* session : {"", "abc def", "../../etc", "a;rm -rf", R"(x\"y)"})
        EXPECT_EQ(parse(claudeFile("stop", session))->session, std::nullopt) << session;
    EXPECT_EQ(parse(claudeFile("stop", std::string(64, 'a')))->session, std::string(64, 'a'));
    EXPECT_EQ(parse(claudeFile("stop", std::string(65, 'a')))->session, std::nullopt);

    EXPECT_EQ(parse(claudeFile("stop", "s", "/dev/ttys004"))->tty, "/dev/ttys004");
    EXPECT_EQ(parse(claudeFile("stop", "s", "ttys004"))->tty, "/dev/ttys004");
    for (const char* tty : {"", "../../etc/passwd", "pts/../3", "/dev/", "pts 3"})
        EXPECT_EQ(parse(claudeFile("stop", "s", tty))->tty, std::nullopt) << tty;

    EXPECT_EQ(ClaudeHookInbox::parseApp("org.kde.konsole", "xterm"), "org.kde.konsole");
    EXPECT_EQ(ClaudeHookInbox::parseApp("", "WezTerm"), "WezTerm");
    EXPECT_EQ(ClaudeHookInbox::parseApp("$(reboot)", ""), std::nullopt);
    EXPECT_EQ(parse(R"({"event":"notification"})")->event, (ClaudeHookEvent{ClaudeHookEvent::Kind::needsInput, ""}));
}

TEST(ClaudeHookInbox, never_follows_a_link_nor_waits_on_a_pipe)
{
    testing::TemporaryFolder inbox;
    testing::TemporaryFolder elsewhere;
    write(elsewhere / "secret.json", claudeFile("stop"));
    fs::create_symlink(elsewhere / "secret.json", inbox / "claude-1-1772356500.json");
    ASSERT_EQ(::mkfifo((inbox / "claude-2-1772356500.json").c_str(), 0600), 0);

    auto batch = ClaudeHookInbox::read(inbox.path(), now);
    EXPECT_TRUE(batch.events.empty());
    EXPECT_EQ(batch.ignored, 2u);
    ClaudeHookInbox::removeRead(batch);
    EXPECT_TRUE(fs::exists(elsewhere / "secret.json"));
    EXPECT_TRUE(fs::is_empty(inbox.path()));
}

TEST(ClaudeHookInbox, dates_events_by_their_names_but_never_after_now)
{
    testing::TemporaryFolder inbox;
    write(inbox / "claude-1-9999999999.json", claudeFile("start"));
    write(inbox / "claude-2-99999999999999999999999.json", claudeFile("stop"));
    auto batch = ClaudeHookInbox::read(inbox.path(), now);
    ASSERT_EQ(batch.events.size(), 2u);
    EXPECT_EQ(batch.events[0].at, now);
    EXPECT_EQ(batch.events[1].at, now);
    EXPECT_TRUE(ClaudeHookInbox::read(inbox / "missing", now).remove.empty());
}

}  // namespace
}  // namespace corvane
