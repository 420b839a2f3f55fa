#include "core/agents/LimitIngest.h"

namespace corvane::LimitIngest {

std::string key(const ProviderUsage& usage, const UsageWindow& window)
{
    std::string made(rawValue(usage.provider));
    if (usage.account)
        made += ":" + usage.account->key;
    return made + ":" + window.id;
}

std::optional<AIProviderID> provider(const std::string& key)
{
    return fromRawValue<AIProviderID>(std::string_view(key).substr(0, key.find(':')));
}

Plan plan(const std::vector<ProviderUsage>& usages, WallTime now, double staleAfter, LimitAlertTracker& tracker,
          const std::vector<int>& thresholds, bool alertOnReset)
{
    Plan made;
    for (const ProviderUsage& usage : usages) {
        for (const UsageWindow& window : usage.actionable(now, staleAfter).windows) {
            std::string windowKey = key(usage, window);
            made.samples.push_back(Sample{windowKey, window.usedPercent, window.observedAt, window.resetsAt});
            for (const LimitAlertTracker::Alert& alert :
                 tracker.update(windowKey, window.usedPercent, window.resetsAt, thresholds, alertOnReset))
                made.alerts.push_back(Fired{alert, window, usage.provider});
        }
    }
    return made;
}

std::optional<WallTime> nextWake(const std::vector<ProviderUsage>& usages, std::optional<WallTime> trackerNextReset,
                                 WallTime now, double staleAfter)
{
    std::optional<WallTime> earliest;
    auto consider = [&](std::optional<WallTime> moment) {
        if (moment && *moment > now && (!earliest || *moment < *earliest))
            earliest = moment;
    };
    consider(trackerNextReset);
    for (const ProviderUsage& usage : usages) {
        for (const UsageWindow& window : usage.windows) {
            consider(window.resetsAt);
            if (window.freshness(now, staleAfter).isFresh())
                consider(window.observedAt.plusSeconds(staleAfter));
        }
    }
    return earliest;
}

std::optional<std::string> label(const std::string& forKey, const std::vector<ProviderUsage>& usages)
{
    for (const ProviderUsage& usage : usages) {
        for (const UsageWindow& window : usage.windows) {
            if (key(usage, window) == forKey)
                return window.label;
        }
    }
    return std::nullopt;
}

}  // namespace corvane::LimitIngest
