#pragma once
// Writes a tree of coding-agent transcripts the way the agents leave them on
// a developer's machine, at any size: Claude Code sessions per encoded
// project folder with subagent transcripts beside them, and Codex rollouts
// by date. The content varies but every line has the agents' own shape,
// including what makes counting hard: each content block of a message on
// its own line repeating the message's usage, resumed sessions that replay
// earlier lines, cumulative Codex totals written twice, torn and malformed
// lines, lines longer than one read, and files still being written.
//
// The same home, options and "now" give the same bytes. Alongside the tree
// it returns what the usage store must arrive at after reading it.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/agents/AgentKind.h"
#include "core/agents/TokenUsage.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane::bench {

struct TreeOptions {
    std::uint64_t targetBytes = 1024ull * 1024 * 1024;  // the tree stops growing once past this
    int projects = 12;
    // Sessions start within the last `days` days before `now` (the real
    // current time when none), so all of them stay inside the store's
    // 90-day retention.
    int days = 60;
    std::optional<WallTime> now;
    std::uint64_t seed = 1;
};

// Token totals per agent and model name.
using ExpectedUsage = std::map<std::pair<AgentKind, std::string>, TokenUsage>;

struct TreeCounts {
    std::uint64_t files = 0;
    std::uint64_t lines = 0;  // line feeds, as `wc -l` counts them
    std::uint64_t bytes = 0;
    // Records the usage store holds after reading the tree as it stands: one
    // per Claude message id, one per Codex reading that moved the totals.
    std::uint64_t billedCalls = 0;
    // Their tokens: the fullest complete copy of each Claude message and the
    // Codex deltas. A last line still waiting for its line feed is not read
    // yet, so it counts for nothing.
    ExpectedUsage usage;

    // What the tree holds of the hard cases.
    std::uint64_t subagentFiles = 0;
    std::uint64_t resumedSessions = 0;
    std::uint64_t unfinishedFiles = 0;   // ending in a line without its line feed
    std::uint64_t malformedLines = 0;    // torn copies and runs of NUL bytes
    std::uint64_t hugeLines = 0;         // tool output of megabytes
    std::uint64_t linesOverOneRead = 0;  // of which longer than the indexer's 4 MiB read
};

// Writes under `home`: "claude/projects/…" (so CLAUDE_CONFIG_DIR=home/claude
// selects it), "codex/sessions/…" (CODEX_HOME=home/codex) and "work/…", the
// one project folder that exists on disk. `home` is created when missing and
// should be empty.
Result<TreeCounts> generateTranscriptTree(const std::filesystem::path& home, const TreeOptions& options);

}  // namespace corvane::bench
