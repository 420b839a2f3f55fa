#pragma once
// What a shell command an agent runs is about: tests, a build, a package
// install, git, or just "a command" named by its program.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/AgentStep.h"

namespace corvane {

struct CommandStep {
    AgentStepKind kind = AgentStepKind::command;
    std::optional<std::string> subject;  // the program ("git push" for git)

    // A command line as a shell reads it. Of a chain ("cd app && make"),
    // the first command that is not a change of folder decides.
    static CommandStep classify(std::string_view command);
    // An argument vector; "bash -lc <script>" is classified by its script.
    static CommandStep classify(const std::vector<std::string>& words);

    // Shell words with quotes and backslashes resolved; the operators
    // "&&", "||", ";", "|" and line breaks end a command.
    static std::vector<std::vector<std::string>> split(std::string_view command);

    bool operator==(const CommandStep&) const = default;
};

}  // namespace corvane
