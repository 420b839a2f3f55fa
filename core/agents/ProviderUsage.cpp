#include "core/agents/ProviderUsage.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include <fmt/format.h>

#include "core/keepawake/KeepAwakeText.h"

namespace corvane {

WindowFreshness UsageWindow::freshness(WallTime now, double staleAfter) const
{
    if (resetsAt && *resetsAt <= now)
        return WindowFreshness::resetWaiting();
    double age = now.secondsSince(observedAt);
    if (age > staleAfter || age < -futureTolerance)
        return WindowFreshness::stale(observedAt);
    return WindowFreshness::fresh();
}

namespace {

template <typename Keep>
ProviderUsage keeping(const ProviderUsage& usage, Keep keep)
{
    ProviderUsage kept = usage;
    std::erase_if(kept.windows, [&](const UsageWindow& window) { return !keep(window); });
    return kept;
}

}  // namespace

ProviderUsage ProviderUsage::current(WallTime now) const
{
    return keeping(*this, [now](const UsageWindow& window) { return !window.resetsAt || *window.resetsAt > now; });
}

ProviderUsage ProviderUsage::actionable(WallTime now, double staleAfter) const
{
    return keeping(*this, [&](const UsageWindow& window) { return window.freshness(now, staleAfter).isFresh(); });
}

std::optional<std::string> LimitWindowText::status(const WindowFreshness& freshness, const Calendar& calendar)
{
    switch (freshness.kind) {
    case WindowFreshness::Kind::stale:
        return "as of " + KeepAwakeText::clockTime(freshness.asOf, calendar);
    case WindowFreshness::Kind::fresh:
        return std::nullopt;
    case WindowFreshness::Kind::resetWaiting:
        return std::string("Reset · waiting for new data");
    }
    return std::nullopt;
}

std::string LimitWindowText::compactLabel(std::string_view label)
{
    std::string compact(label);
    std::erase(compact, ' ');
    return compact;
}

std::string LimitWindowText::percent(double value) { return fmt::format("{}%", std::lround(value)); }

std::ostream& operator<<(std::ostream& out, const WindowFreshness& freshness)
{
    switch (freshness.kind) {
    case WindowFreshness::Kind::stale:
        return out << "stale(asOf: " << iso8601(freshness.asOf) << ")";
    case WindowFreshness::Kind::fresh:
        return out << "fresh";
    case WindowFreshness::Kind::resetWaiting:
        return out << "resetWaiting";
    }
    return out;
}

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
