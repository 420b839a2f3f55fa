#pragma once
// The helper's "codex-notify" mode: Codex runs it (through the notify line
// CodexNotifyWriter writes) with the previous notifier's argument list, if
// any, and its JSON as the last argument. A finished turn becomes one
// "codex-<pid>-<seconds>.json" file in the inbox; the previous notifier
// still runs with the JSON as before. Codex never sees the helper fail.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Time.h"

namespace corvane {

struct CodexNotifyHelper {
    static constexpr std::string_view mode = "codex-notify";
    static constexpr std::string_view turnComplete = "agent-turn-complete";
    static constexpr std::size_t maxJSON = 1024 * 1024;
    static constexpr std::size_t maxProjectLength = 80;

    struct Plan {
        // The previous notifier with the JSON appended; empty when there is none.
        std::vector<std::string> previous;
        // The inbox file's content, when the turn completed.
        std::optional<std::string> event;
        bool operator==(const Plan&) const = default;
    };

    // `args`: what follows the mode. The project is the base name of the
    // JSON's "cwd", else of `folder` (the folder Codex runs the helper in).
    static Plan plan(const std::vector<std::string>& args, const std::filesystem::path& folder);
    // "codex-<pid>-<seconds since 1970>.json"
    static std::string fileName(long pid, WallTime now);
    // "^codex-[0-9]+-[0-9]+\.json$"
    static bool isInboxFile(std::string_view name);
    // The project of an inbox file the helper wrote; nothing for anything
    // but a finished Codex turn.
    static std::optional<std::string> parse(std::string_view data);
};

}  // namespace corvane
