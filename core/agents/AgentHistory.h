#pragma once
// The history of past sessions: 30 days of them, built from the transcripts
// the usage index knows and the timeline, filtered by agent and a search,
// grouped by day.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/AgentTimeline.h"
#include "core/agents/SessionTitle.h"
#include "core/agents/UsageIndexer.h"
#include "core/base/Time.h"

namespace corvane {

struct AgentHistoryEntry {
    std::string id;
    std::string agent;  // the agent's title
    std::optional<std::string> path;
    std::string project;
    std::optional<std::string> branch;
    std::string title;
    WallTime start = WallTime::fromUnixSeconds(0);
    WallTime end = WallTime::fromUnixSeconds(0);
    AgentTimeline::State state = AgentTimeline::State::finished;
    bool stoppedByRestart = false;

    double duration() const { return end.secondsSince(start); }
    bool operator==(const AgentHistoryEntry&) const = default;
};

struct AgentHistory {
    static constexpr double window = 2592000;  // 30 days
    static constexpr double recent = 604800;   // 7 days
    static constexpr std::size_t hiddenCap = 500;
    // Beyond this the weekday alone would be ambiguous.
    static constexpr double weekdayRange = 518400;

    enum class Filter { all, claude, codex };

    struct Group {
        std::string title;
        std::vector<AgentHistoryEntry> entries;
        bool operator==(const Group&) const = default;
    };

    using MetaLookup = std::function<SessionTitle::Meta(const std::filesystem::path&, AgentKind)>;

    // One entry per session written within `window` before `now`, newest
    // first. A subagent's transcript counts for its parent session.
    // `stoppedByRestart` lists "ai.restart.sessions".
    static std::vector<AgentHistoryEntry> entries(const std::map<std::filesystem::path, SessionFile>& files,
                                                  const AgentTimeline& timeline, const MetaLookup& meta,
                                                  const std::vector<std::string>& stoppedByRestart, WallTime now);

    static std::vector<AgentHistoryEntry> filter(const std::vector<AgentHistoryEntry>& entries, std::string_view query,
                                                 Filter agent, const std::vector<std::string>& hidden);
    // By calendar day of each session's end, newest first.
    static std::vector<Group> groups(const std::vector<AgentHistoryEntry>& entries, WallTime now,
                                     const Calendar& calendar);
    // "TODAY", "YESTERDAY", else "MON 2 MAR".
    static std::string dayTitle(WallTime day, WallTime now, const Calendar& calendar);
    // "last 14:05" today, "last Tue" within six days, else "last 2 Mar".
    static std::string lastSeen(WallTime date, WallTime now, const Calendar& calendar);
    // "ai.history.hidden" with `id` added as the newest, at most `hiddenCap` kept.
    static std::vector<std::string> hide(const std::string& id, std::vector<std::string> hidden);
};

}  // namespace corvane
