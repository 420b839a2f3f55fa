#pragma once
// The coding agents whose usage is tracked. The raw value is what files
// store; only claudeCode and codex have transcript readers, cursor labels
// usage that other sources report.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class AgentKind { claudeCode, codex, cursor };

template <>
struct EnumCases<AgentKind> {
    static constexpr std::array cases{
        std::pair{AgentKind::claudeCode, std::string_view("claudeCode")},
        std::pair{AgentKind::codex, std::string_view("codex")},
        std::pair{AgentKind::cursor, std::string_view("cursor")},
    };
};

constexpr std::string_view title(AgentKind agent)
{
    switch (agent) {
    case AgentKind::claudeCode:
        return "Claude Code";
    case AgentKind::codex:
        return "Codex";
    case AgentKind::cursor:
        return "Cursor";
    }
    return {};
}

}  // namespace corvane
