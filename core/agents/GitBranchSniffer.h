#pragma once
// The git branch a transcript names, read from raw lines by byte search so
// no line is decoded just for it. Claude Code writes "gitBranch" on its
// lines; Codex writes the branch once, in the "git" object of session_meta.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/agents/AgentKind.h"

namespace corvane {

struct GitBranchSniffer {
    // In characters (code points).
    static constexpr std::size_t maxLength = 120;

    static std::optional<std::string> branch(std::string_view line, AgentKind agent);
    // Subagent transcripts run in their parent's checkout and report no branch of their own.
    static std::optional<std::string> sessionBranch(std::string_view path, std::optional<std::string> branch);
};

}  // namespace corvane
