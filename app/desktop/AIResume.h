#pragma once
// Resuming a past session from the history: the agent's resume command in
// a terminal opened in the session's folder, else on the clipboard, with
// the short line the section shows about what happened. Everything read
// from a transcript is checked before it reaches a command line: the
// session id against the hooks' id pattern, the folder by `TerminalCommand`.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/agents/AgentHistory.h"
#include "core/agents/ResumePlan.h"
#include "platform/TerminalLauncher.h"

namespace corvane::app::AIResume {

inline constexpr std::size_t maxSessionIDLength = 64;

// Letters, digits and "-", 1 to 64 of them.
bool isSessionID(std::string_view id);

// How the entry would resume; none when it cannot (another agent, an id
// that is no session id). Resume is offered only then.
std::optional<ResumePlan> plan(const AgentHistoryEntry& entry, const std::optional<std::filesystem::path>& folder);

struct Outcome {
    enum class Kind { opened, copied, refused };
    Kind kind = Kind::refused;
    std::string status;  // the section's status line
    bool operator==(const Outcome&) const = default;
};

using Copy = std::function<void(const std::string& text)>;

Outcome resume(const AgentHistoryEntry& entry, const std::optional<std::filesystem::path>& folder,
               platform::TerminalLauncher& terminal, const Copy& copy);

}  // namespace corvane::app::AIResume
