#pragma once
// What a past session was about, for the history list: its title (the
// agent's own summary when it wrote one, else the user's first prompt), when
// it started and on which branch, read from the head of its transcript (and
// for Claude Code also its tail, where newer summaries land).

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/agents/AgentKind.h"
#include "core/base/Time.h"

namespace corvane {

struct SessionTitle {
    static constexpr std::size_t maxLength = 120;
    static constexpr std::size_t windowBytes = 64 * 1024;

    struct Meta {
        std::optional<std::string> title;
        std::optional<WallTime> start;
        std::optional<std::string> branch;
        bool operator==(const Meta&) const = default;
    };

    // One line of text; nothing for markup the agent wraps around commands
    // and context ("<command-name>", "<environment_context>") or notes that
    // are not the user's words.
    static std::optional<std::string> clean(std::string_view text);
    static Meta claude(std::string_view head, std::string_view tail);
    static Meta codex(std::string_view head);
    // The first timestamp among the lines.
    static std::optional<WallTime> start(std::string_view head);

    static Meta read(const std::filesystem::path& path, AgentKind agent);
};

}  // namespace corvane
