#pragma once
// What the AI section's usage view shows, computed in one go under the
// indexer's lock after a pass: today, this week and this month (in total,
// per agent, and per agent and model with their cost), the last 30 days,
// the weekday-by-hour heat map with its busiest time, and the streak of
// active days.

#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/PriceMemo.h"
#include "core/agents/UsageAggregator.h"
#include "core/agents/UsageIndexer.h"
#include "core/base/Time.h"

namespace corvane {

struct UsagePeriod {
    UsageSummary total;
    std::vector<std::pair<AgentKind, UsageSummary>> byAgent;  // the agents with transcript readers
    std::vector<ModelUsage> byModel;  // by agent, then model name; cost none when unpriced
    bool operator==(const UsagePeriod&) const = default;
};

struct UsageOverview {
    static constexpr int dayCount = 30;
    static constexpr int heatmapWeeks = 4;

    WallTime generatedAt = WallTime::distantPast();
    UsagePeriod today;
    UsagePeriod week;   // from Monday
    UsagePeriod month;
    std::vector<DailyUsage> daily;  // `dayCount` days, oldest first, today last
    UsageHeatmap heatmap;           // the last `heatmapWeeks` weeks
    int streak = 0;                 // consecutive active days up to today
    UsageIndexStats stats;

    static UsageOverview make(const UsageAggregator& store, const UsageIndexStats& stats, WallTime now,
                              const Calendar& calendar, PriceMemo& prices);
};

}  // namespace corvane
