#pragma once
// The plan window the ear shows: the fullest fresh one past the user's
// threshold, kept steady so two windows of similar fill do not swap back
// and forth.

#include <optional>
#include <string_view>
#include <vector>

#include "core/agents/ProviderUsage.h"
#include "core/base/Time.h"
#include "core/notch/Activity.h"

namespace corvane::NearLimit {

inline constexpr double margin = 5.0;  // percentage points a newcomer must lead by
inline constexpr std::string_view activityID = "ai.limit";
inline constexpr std::string_view moduleID = "ai";
inline constexpr int activityPriority = 45;  // behind working agents
inline constexpr std::string_view symbol = "gauge.with.needle";

struct Pick {
    AIProviderID provider = AIProviderID::claudeCode;
    UsageWindow window;
    std::optional<ClaudeAccount> account;
    bool operator==(const Pick&) const = default;
};

// `usages` holds the enabled providers' readings only.
std::optional<Pick> pick(const std::vector<ProviderUsage>& usages, double earAt, WallTime now, double staleAfter,
                         const std::optional<Pick>& previous);

// The "ai.limit" ear activity for a pick.
Activity activity(const Pick& pick, WallTime now);

}  // namespace corvane::NearLimit
