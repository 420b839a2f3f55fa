#include "core/agents/ProviderUsage.h"

#include <ostream>

namespace corvane {

std::ostream& operator<<(std::ostream& out, const UsageWindow& window)
{
    out << "{" << window.id << " \"" << window.label << "\" " << window.usedPercent << "%";
    if (window.resetsAt)
        out << " resets " << iso8601(*window.resetsAt);
    if (window.windowMinutes)
        out << " " << *window.windowMinutes << " min";
    return out << " from \"" << window.source << "\" at " << iso8601(window.observedAt) << "}";
}

std::ostream& operator<<(std::ostream& out, const ProviderUsage& usage)
{
    out << "{" << rawValue(usage.provider) << " at " << iso8601(usage.observedAt);
    if (usage.contextPercent)
        out << " context " << *usage.contextPercent << "%";
    if (usage.account)
        out << " account " << usage.account->key;
    for (const UsageWindow& window : usage.windows)
        out << " " << window;
    return out << "}";
}

}  // namespace corvane
