#pragma once
// One pass over the latest plan-limit readings: the burn samples to record,
// the limit alerts that are due, and when to look again.

#include <optional>
#include <string>
#include <vector>

#include "core/agents/LimitAlertTracker.h"
#include "core/agents/ProviderUsage.h"
#include "core/base/Time.h"

namespace corvane::LimitIngest {

struct Sample {
    std::string key;
    double percent = 0;
    WallTime at;
    std::optional<WallTime> resetsAt;
    bool operator==(const Sample&) const = default;
};

struct Fired {
    LimitAlertTracker::Alert alert;
    UsageWindow window;
    AIProviderID provider = AIProviderID::claudeCode;
    bool operator==(const Fired&) const = default;
};

struct Plan {
    std::vector<Fired> alerts;
    std::vector<Sample> samples;
    bool operator==(const Plan&) const = default;
};

// "claudeCode:h5", or with an account "claudeCode:<account>:h5".
std::string key(const ProviderUsage& usage, const UsageWindow& window);
// The provider a key was built for.
std::optional<AIProviderID> provider(const std::string& key);

// Runs the tracker over every fresh window; stale readings never alert.
Plan plan(const std::vector<ProviderUsage>& usages, WallTime now, double staleAfter, LimitAlertTracker& tracker,
          const std::vector<int>& thresholds, bool alertOnReset);

// The earliest moment something can change: a window resets, a tracked
// window resets, or the oldest fresh reading turns stale. Only moments
// after `now` count.
std::optional<WallTime> nextWake(const std::vector<ProviderUsage>& usages, std::optional<WallTime> trackerNextReset,
                                 WallTime now, double staleAfter);

// The label of the window a key names, among the current readings.
std::optional<std::string> label(const std::string& forKey, const std::vector<ProviderUsage>& usages);

}  // namespace corvane::LimitIngest
