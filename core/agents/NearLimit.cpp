#include "core/agents/NearLimit.h"

#include <algorithm>

#include <fmt/format.h>


namespace corvane::NearLimit {

namespace {

bool sameWindow(const Pick& a, const Pick& b)
{
    return a.provider == b.provider && a.account == b.account && a.window.id == b.window.id;
}

}  // namespace

std::optional<Pick> pick(const std::vector<ProviderUsage>& usages, double earAt, WallTime now, double staleAfter,
                         const std::optional<Pick>& previous)
{
    std::optional<Pick> fullest;
    std::optional<Pick> stay;
    for (const ProviderUsage& usage : usages) {
        for (const UsageWindow& window : usage.actionable(now, staleAfter).windows) {
            if (window.usedPercent < earAt)
                continue;
            Pick candidate{usage.provider, window, usage.account};
            if (previous && sameWindow(candidate, *previous))
                stay = candidate;
            if (!fullest || window.usedPercent > fullest->window.usedPercent)
                fullest = std::move(candidate);
        }
    }
    if (stay && fullest->window.usedPercent <= stay->window.usedPercent + margin)
        return stay;
    return fullest;
}

Activity activity(const Pick& pick, WallTime now)
{
    return Activity{.id = std::string(activityID),
                    .moduleID = std::string(moduleID),
                    .kind = std::string(activityID),
                    .priority = activityPriority,
                    .left = EarContent::symbolText(std::string(symbol), LimitWindowText::compactLabel(pick.window.label)),
                    .right = EarContent::progressPercent(std::min(pick.window.usedPercent, 100.0) / 100),
                    .createdAt = now,
                    .detail = fmt::format("{} · {} of the {} limit", title(pick.provider),
                                          LimitWindowText::percent(pick.window.usedPercent), pick.window.label)};
}

}  // namespace corvane::NearLimit
