#include "core/agents/UsageOverview.h"

namespace corvane {

namespace {

constexpr AgentKind readAgents[] = {AgentKind::claudeCode, AgentKind::codex};

UsagePeriod periodOf(const UsageAggregator& store, TimeRange range, PriceMemo& prices)
{
    UsagePeriod period;
    period.total = store.summary(range, std::nullopt, prices);
    for (AgentKind agent : readAgents)
        period.byAgent.emplace_back(agent, store.summary(range, agent, prices));
    period.byModel = store.byModel(range, prices);
    return period;
}

}  // namespace

UsageOverview UsageOverview::make(const UsageAggregator& store, const UsageIndexStats& stats, WallTime now,
                                  const Calendar& calendar, PriceMemo& prices)
{
    const UsagePeriods ranges = usagePeriods(now, calendar);
    UsageOverview overview;
    overview.generatedAt = now;
    overview.today = periodOf(store, ranges.today, prices);
    overview.week = periodOf(store, ranges.week, prices);
    overview.month = periodOf(store, ranges.month, prices);
    overview.daily = store.daily(dayCount, now, calendar, prices);
    overview.heatmap = store.heatmap(heatmapWeeks, now, calendar, prices);
    overview.streak = store.streak(now, calendar);
    overview.stats = stats;
    return overview;
}

}  // namespace corvane
