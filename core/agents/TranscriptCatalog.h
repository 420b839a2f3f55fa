#pragma once
// Where the agents keep their transcripts and what a transcript's path says:
// the two roots, the bounded walk that lists every transcript, the session
// id and the project of one path.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/TranscriptProjectResolver.h"

namespace corvane {

struct TranscriptRoots {
    std::filesystem::path claude;  // $CLAUDE_CONFIG_DIR/projects, else ~/.claude/projects
    std::filesystem::path codex;   // $CODEX_HOME/sessions, else ~/.codex/sessions
};

struct TranscriptFile {
    std::filesystem::path path;  // canonical
    AgentKind agent = AgentKind::claudeCode;
    bool operator==(const TranscriptFile&) const = default;
};

struct TranscriptProject {
    std::optional<std::string> name;              // the project folder's last path component
    std::optional<std::filesystem::path> folder;  // when the encoded folder name resolved
    bool operator==(const TranscriptProject&) const = default;
};

struct TranscriptCatalog {
    using Environment = std::map<std::string, std::string>;

    // Folder levels entered below each root.
    static constexpr int claudeDepth = 8;
    static constexpr int codexDepth = 5;
    static constexpr std::size_t maxSessionIDLength = 80;

    // Both roots canonicalised; `HOME` comes from the same environment.
    static TranscriptRoots defaultRoots(const Environment& environment);

    // Every regular file named "*.jsonl" under the roots, Claude's first. Hidden
    // entries are skipped; folders that cannot be opened, links that lead in
    // circles and missing roots are passed over.
    static std::vector<TranscriptFile> find(const TranscriptRoots& roots);
    // The same, each file handed over as soon as the walk finds it.
    static void find(const TranscriptRoots& roots, const std::function<void(TranscriptFile)>& found);

    // The file name without ".jsonl"; "agent.jsonl" takes its folder's name;
    // a transcript under "/subagents/" belongs to its parent's session.
    static std::string sessionID(std::string_view path);

    // The project of a Claude transcript, from the encoded folder name after
    // the last "/projects/".
    static TranscriptProject project(std::string_view path, TranscriptProjectResolver& resolver);

    // The path with symbolic links resolved, or as given when that fails.
    static std::filesystem::path canonical(const std::filesystem::path& path);
};

}  // namespace corvane
