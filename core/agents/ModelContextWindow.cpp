#include "core/agents/ModelContextWindow.h"

#include "core/agents/AgentText.h"

namespace corvane {

std::optional<std::int64_t> ModelContextWindow::tokens(std::string_view model, std::optional<std::int64_t> used)
{
    if (!AgentText::containsIgnoringCase(model, "claude"))
        return std::nullopt;
    if (AgentText::containsIgnoringCase(model, "[1m]") || used.value_or(0) > standard)
        return extended;
    return standard;
}

}  // namespace corvane
