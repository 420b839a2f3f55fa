#pragma once
// Which coding agents have a live process, and in which project folders:
// what decides whether a quiet transcript's agent finished for good or may
// be waiting for the user.
//
// A process counts as an agent when its executable, its first argument or,
// for a script host (node, bun, deno), the script it runs is named after the
// agent: "claude" (also a version-managed install, ".../claude/versions/
// 2.1.3", whose executable is named by its version), "codex" and Codex's
// bundled native program ("codex-x86_64-unknown-linux-musl"), or a script
// inside the agents' npm packages ("@anthropic-ai/claude-code/",
// "@openai/codex/"). A browser's native-messaging host started from the
// same executable ("--chrome-native-host") is no session. Only the user's
// own processes count.
//
// The project of a process is its working folder. A transcript matches it
// when the transcript's project is the folder's name, or, for a Claude
// folder name that did not resolve (whose project is only the last "-"
// piece of the encoded path), when the encoded working folder ends with it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "core/agents/AgentKind.h"

namespace corvane {

struct LiveAgents {
    // The working folders of each agent's live processes ("" when unreadable).
    std::map<AgentKind, std::vector<std::string>> folders;

    // A live process of the agent; with a project, one working in it.
    bool alive(AgentKind agent, const std::optional<std::string>& project) const;
    bool operator==(const LiveAgents&) const = default;
};

struct AgentLiveness {
    // The agent a process is, from its short name, executable path and arguments.
    static std::optional<AgentKind> recognise(std::string_view shortName, std::string_view executable,
                                              const std::vector<std::string>& argv);
    static bool matchesProject(std::string_view folder, std::string_view project);
    // The processes of `uid` in /proc, never the caller's own.
    static LiveAgents scan(uid_t uid);
};

}  // namespace corvane
