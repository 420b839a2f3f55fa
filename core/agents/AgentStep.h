#pragma once
// One thing an agent did or is doing: an edit, a command, a test run, a web
// look-up. Read from transcripts for display only; never persisted.

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"

namespace corvane {

enum class AgentStepKind { edit, write, read, search, command, test, build, install, git, web, agent, plan, tool };

struct AgentStep {
    AgentStepKind kind = AgentStepKind::tool;
    std::optional<std::string> subject;  // a file's base name, a command word, a search text
    WallTime at = WallTime::fromUnixSeconds(0);
    std::optional<std::string> id;  // the tool call's id
    std::optional<bool> failed;     // from the tool's result
    bool operator==(const AgentStep&) const = default;
};

std::ostream& operator<<(std::ostream& out, const AgentStep& step);

template <>
struct EnumCases<AgentStepKind> {
    static constexpr std::array cases{
        std::pair{AgentStepKind::edit, std::string_view("edit")},
        std::pair{AgentStepKind::write, std::string_view("write")},
        std::pair{AgentStepKind::read, std::string_view("read")},
        std::pair{AgentStepKind::search, std::string_view("search")},
        std::pair{AgentStepKind::command, std::string_view("command")},
        std::pair{AgentStepKind::test, std::string_view("test")},
        std::pair{AgentStepKind::build, std::string_view("build")},
        std::pair{AgentStepKind::install, std::string_view("install")},
        std::pair{AgentStepKind::git, std::string_view("git")},
        std::pair{AgentStepKind::web, std::string_view("web")},
        std::pair{AgentStepKind::agent, std::string_view("agent")},
        std::pair{AgentStepKind::plan, std::string_view("plan")},
        std::pair{AgentStepKind::tool, std::string_view("tool")},
    };
};

}  // namespace corvane
