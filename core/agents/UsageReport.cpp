#include "core/agents/UsageReport.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/agents/UsageText.h"
#include "core/base/RawEnum.h"

namespace corvane {

namespace {

using UsageText::compactTokens;
using UsageText::dollars;

constexpr AgentKind readAgents[] = {AgentKind::claudeCode, AgentKind::codex};
constexpr const char* weekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Whole hundredths of a cent: enough for any bill, and stable text.
double roundedCost(double dollars)
{
    return std::round(dollars * 10'000) / 10'000;
}

UsageReport::Periods periodsOf(const UsageAggregator& store, const UsagePeriods& ranges, std::optional<AgentKind> agent,
                               PriceMemo& prices)
{
    return {store.summary(ranges.today, agent, prices), store.summary(ranges.week, agent, prices),
            store.summary(ranges.month, agent, prices)};
}

Json tokensJson(const TokenUsage& tokens)
{
    Json json = tokens.toJson();
    json["total"] = tokens.total();
    return json;
}

Json summaryJson(const UsageSummary& summary)
{
    return {{"tokens", tokensJson(summary.tokens)},
            {"cost", roundedCost(summary.cost)},
            {"unpricedTokens", summary.unpricedTokens},
            {"sessions", summary.sessions}};
}

Json periodsJson(const UsageReport::Periods& periods)
{
    return {{"today", summaryJson(periods.today)}, {"week", summaryJson(periods.week)}, {"month", summaryJson(periods.month)}};
}

std::string dayText(WallTime day, const Calendar& calendar)
{
    LocalDateTime local = calendar.components(day);
    return fmt::format("{:04}-{:02}-{:02}", local.year, local.month, local.day);
}

}  // namespace

UsageReport UsageReport::make(const UsageAggregator& store, const UsageIndexStats& stats, WallTime now,
                              const Calendar& calendar, PriceMemo& prices)
{
    UsageReport report;
    report.generatedAt = now;
    const UsagePeriods ranges = usagePeriods(now, calendar);
    report.periods = periodsOf(store, ranges, std::nullopt, prices);
    for (AgentKind agent : readAgents)
        report.agents.push_back({agent, periodsOf(store, ranges, agent, prices)});
    report.models = store.byModel({now.plusSeconds(-usageRetentionSeconds), ranges.today.to}, prices);
    report.days = store.daily(dayCount, now, calendar, prices);
    report.streak = store.streak(now, calendar);
    report.stats = stats;
    report.records = static_cast<std::int64_t>(store.count());
    return report;
}

Json UsageReport::toJson(const Calendar& calendar) const
{
    Json agentList = Json::array();
    for (const Agent& agent : agents)
        agentList.push_back({{"agent", rawValue(agent.agent)}, {"title", title(agent.agent)}, {"periods", periodsJson(agent.periods)}});
    Json modelList = Json::array();
    for (const ModelUsage& model : models) {
        Json entry = model.tokens.toJson();
        entry["agent"] = rawValue(model.agent);
        entry["model"] = model.model;
        entry["cost"] = model.cost ? Json(roundedCost(*model.cost)) : Json(nullptr);
        entry["sessions"] = model.sessions;
        modelList.push_back(std::move(entry));
    }
    Json dayList = Json::array();
    for (const DailyUsage& day : days)
        dayList.push_back({{"date", dayText(day.day, calendar)}, {"tokens", day.tokens}, {"cost", roundedCost(day.cost)}});
    return {
        {"generatedAt", iso8601(generatedAt)},
        {"timeZone", calendar.zoneName()},
        {"retentionDays", static_cast<int>(usageRetentionSeconds / 86400)},
        {"periods", periodsJson(periods)},
        {"agents", std::move(agentList)},
        {"models", std::move(modelList)},
        {"days", std::move(dayList)},
        {"streak", streak},
        {"index",
         {{"files", stats.files}, {"usageLines", stats.parsedLines}, {"unreadableLines", stats.skippedLines}, {"records", records}}},
    };
}

std::string UsageReport::table(const Calendar& calendar) const
{
    std::string out;
    auto line = [&out](std::string text) {
        text.erase(text.find_last_not_of(' ') + 1);
        out += text;
        out += '\n';
    };

    line(fmt::format("Usage on {} ({})", dayText(generatedAt, calendar), calendar.zoneName()));
    line("");
    line(fmt::format("{:<14}{:>10}{:>12}{:>10}", "", "Tokens", "Cost", "Sessions"));
    const std::pair<const char*, const UsageSummary*> rows[] = {
        {"Today", &periods.today}, {"This week", &periods.week}, {"This month", &periods.month}};
    for (const auto& [name, summary] : rows)
        line(fmt::format("{:<14}{:>10}{:>12}{:>10}", name, compactTokens(summary->tokens.total()), dollars(summary->cost),
                         summary->sessions));

    line("");
    line(fmt::format("{:<14}{:>10}{:>10}{:>10}{:>12}", "Agent", "Today", "Week", "Month", "Month cost"));
    for (const Agent& agent : agents)
        line(fmt::format("{:<14}{:>10}{:>10}{:>10}{:>12}", title(agent.agent), compactTokens(agent.periods.today.tokens.total()),
                         compactTokens(agent.periods.week.tokens.total()), compactTokens(agent.periods.month.tokens.total()),
                         dollars(agent.periods.month.cost)));

    line("");
    std::size_t modelWidth = 24;
    for (const ModelUsage& model : models)
        modelWidth = std::max(modelWidth, std::min<std::size_t>(model.model.size() + 2, 40));
    line(fmt::format("{:<14}{:<{}}{:>10}{:>12}{:>10}", "Model", "(last 90 days)", modelWidth, "Tokens", "Cost", "Sessions"));
    if (models.empty())
        line("No model calls in the last 90 days.");
    for (const ModelUsage& model : models)
        line(fmt::format("{:<14}{:<{}}{:>10}{:>12}{:>10}", title(model.agent), model.model.substr(0, modelWidth - 2), modelWidth,
                         compactTokens(model.tokens.total()), model.cost ? dollars(*model.cost) : "unpriced", model.sessions));

    line("");
    line(fmt::format("{:<14}{:>10}{:>12}", "Day", "Tokens", "Cost"));
    for (const DailyUsage& day : days) {
        LocalDateTime local = calendar.components(day.day);
        line(fmt::format("{:<14}{:>10}{:>12}", fmt::format("{} {} {}", weekdayNames[local.weekday], local.day, monthNames[local.month - 1]),
                         compactTokens(day.tokens), dollars(day.cost)));
    }
    line("");
    line(fmt::format("Streak: {} {}", streak, streak == 1 ? "day" : "days"));
    if (periods.month.unpricedTokens > 0)
        line(fmt::format("Costs cover priced models only; {} tokens this month have no price.",
                         compactTokens(periods.month.unpricedTokens)));
    return out;
}

}  // namespace corvane
