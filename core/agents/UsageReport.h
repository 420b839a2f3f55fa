#pragma once
// What the usage command prints: today, this week and this month, per
// agent, per agent and model over the whole retention window, and the last
// seven days, as a short table for people or as JSON for scripts.

#include <string>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/PriceMemo.h"
#include "core/agents/UsageAggregator.h"
#include "core/agents/UsageIndexer.h"
#include "core/base/JsonStore.h"
#include "core/base/Time.h"

namespace corvane {

struct UsageReport {
    struct Periods {
        UsageSummary today;
        UsageSummary week;
        UsageSummary month;
        bool operator==(const Periods&) const = default;
    };
    struct Agent {
        AgentKind agent = AgentKind::claudeCode;
        Periods periods;
        bool operator==(const Agent&) const = default;
    };

    WallTime generatedAt = WallTime::distantPast();
    Periods periods;
    std::vector<Agent> agents;       // the agents with transcript readers
    std::vector<ModelUsage> models;  // the retention window, by agent then model
    std::vector<DailyUsage> days;    // the last seven, oldest first
    int streak = 0;
    UsageIndexStats stats;
    std::int64_t records = 0;

    static constexpr int dayCount = 7;

    static UsageReport make(const UsageAggregator& store, const UsageIndexStats& stats, WallTime now,
                            const Calendar& calendar, PriceMemo& prices);

    // Keys sort at every level, so two runs over the same transcripts print the same bytes.
    Json toJson(const Calendar& calendar) const;
    std::string table(const Calendar& calendar) const;
};

}  // namespace corvane
