#pragma once
// The inbox folder into which the hooks installed into the agents drop one
// small JSON file per event: Claude Code's hooks ("claude-<pid>-<seconds>.json")
// and the Codex notifier ("codex-<pid>-<seconds>.json"). Files are written
// under a temporary dot-name and renamed, so a name that matches is a whole
// file; any other name (a file still being written, another tool's
// report) is never opened here.
//
// Anyone running as the user can write into the folder, so each file is
// opened without following links or blocking, must be a regular file of at
// most 1024 bytes, and every field is checked before it is used.

#include <array>
#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/base/RawEnum.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

class SettingsStore;

struct ClaudeHookEvent {
    enum class Kind { needsInput, stop, start };
    Kind kind = Kind::stop;
    std::string project;  // the project folder's name, as the hook wrote it
    bool operator==(const ClaudeHookEvent&) const = default;
};

// One inbox file, decoded and checked.
struct HookInboxEvent {
    AgentKind agent = AgentKind::claudeCode;
    ClaudeHookEvent event;
    std::optional<std::string> session;  // only when it has the shape of a session id
    std::optional<std::string> tty;      // "/dev/pts/3"
    std::optional<std::string> app;      // the terminal or editor hosting the agent
    WallTime at = WallTime::fromUnixSeconds(0);  // the moment in the file's name
    bool operator==(const HookInboxEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HookInboxEvent& event);

struct ClaudeHookInbox {
    static constexpr std::size_t maxBytes = 1024;
    static constexpr std::size_t maxSessionLength = 64;
    static constexpr std::size_t maxAppLength = 120;

    // What one look into the folder found.
    struct Batch {
        std::vector<HookInboxEvent> events;  // oldest first
        // Every inbox file that was looked at, used or not: each is read once.
        std::vector<std::filesystem::path> remove;
        std::size_t ignored = 0;  // oversized, not JSON, unknown event
    };

    // Whether the setting "ai.claudeHookInbox" lets the app read the inbox.
    static bool reads(SettingsStore& settings);

    // The agent whose hook writes files of this name, or nothing.
    static std::optional<AgentKind> isInboxFile(std::string_view name);
    // One file's content; nothing when it is not a JSON object with a known
    // event, or when a Codex file is anything but a finished turn.
    static std::optional<HookInboxEvent> parse(std::string_view data, AgentKind agent, WallTime at);
    // Every inbox file in the folder; events are dated by their names, never
    // later than `now`.
    static Batch read(const std::filesystem::path& folder, WallTime now);
    // Removes the files the batch has read; those already gone are ignored.
    static void removeRead(const Batch& batch);

    static std::optional<ClaudeHookEvent::Kind> parseEvent(std::string_view word);
    // "^[A-Za-z0-9-]{1,64}$", else nothing.
    static std::optional<std::string> parseSession(std::string_view text);
    // A device name with "/dev/" in front; nothing when empty or not a plain device path.
    static std::optional<std::string> parseTTY(std::string_view text);
    // The hosting app's id, else the terminal program; nothing when both are empty or malformed.
    static std::optional<std::string> parseApp(std::string_view app, std::string_view term);

    // The shell command of one Claude Code hook: run by `sh` with the hook's
    // JSON on standard input, it drops one inbox file and never fails the
    // tool. It writes only the project folder's name, the hosting app (the
    // desktop file the terminal was launched from) and terminal, the session
    // id and the terminal device, each filtered to a few safe characters.
    static std::string hookCommand(ClaudeHookEvent::Kind event);
    // The JSON to paste into Claude Code's settings by hand: a `hooks` member
    // with the three hooks, each carrying the same command as an install.
    static std::string settingsSnippet();
};

template <>
struct EnumCases<ClaudeHookEvent::Kind> {
    using Kind = ClaudeHookEvent::Kind;
    static constexpr std::array cases{
        std::pair{Kind::needsInput, std::string_view("notification")},
        std::pair{Kind::stop, std::string_view("stop")},
        std::pair{Kind::start, std::string_view("start")},
    };
};

}  // namespace corvane
