#pragma once
// The plan-limit alerts as the posts the agents module hands to its
// context: a level crossed in a window, or a full window that reset.

#include <optional>
#include <string>
#include <string_view>

#include "core/agents/LimitAlertTracker.h"
#include "core/agents/LimitIngest.h"
#include "core/agents/ProviderUsage.h"
#include "core/base/Time.h"
#include "core/notch/AlertPost.h"

namespace corvane::LimitAlerts {

inline constexpr int priority = 70;
inline constexpr std::string_view moduleID = "ai";
inline constexpr std::string_view crossedSymbol = "gauge.with.needle";
inline constexpr std::string_view resetSymbol = "arrow.counterclockwise";
inline constexpr std::string_view tint = "#FF9F0A";

// "ai.limitWarn", "ai.limitHigh", "ai.limitReached".
std::string kind(LimitAlertTracker::Level level);
inline constexpr std::string_view resetKind = "ai.limitReset";

// "Claude Code · 5 h", "87% of the 5 h limit", the level's name and "Resets 14:05".
AlertPost crossed(AIProviderID provider, const UsageWindow& window, LimitAlertTracker::Level level, double percent,
                  WallTime now, const Calendar& calendar);
// "Claude Code · 5 h", "Reset".
AlertPost reset(std::optional<AIProviderID> provider, std::string_view windowLabel);
// The post for one alert of an ingest pass.
AlertPost post(const LimitIngest::Fired& fired, WallTime now, const Calendar& calendar);

}  // namespace corvane::LimitAlerts
