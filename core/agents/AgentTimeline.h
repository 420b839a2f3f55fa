#pragma once
// The short timeline of agent sessions: what each session did lately
// (working, needs you, finished) with the moments it changed, most recent
// session first. Fed by hook events and by transcript phases; the hooks win
// where they speak, since a quiet transcript is only a guess. Saved as
// "agent-sessions.json" by AgentTimelineStore.

#include <array>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/RawEnum.h"
#include "core/base/Time.h"

namespace corvane {

class AgentTimeline {
public:
    static constexpr std::size_t cap = 200;
    static constexpr double retention = 604800;  // 7 days
    static constexpr std::size_t maxSteps = 16;
    // Agents send an idle prompt shortly after finishing; it is no request.
    static constexpr double idlePromptWindow = 90;
    // What the app passes to closeStale: a session silent this long is over.
    static constexpr double staleAfter = 1800;
    static constexpr std::size_t maxTextCharacters = 120;

    enum class State { working, needsYou, finished };
    enum class Source { hook, transcript };

    struct Step {
        State state = State::working;
        WallTime at = WallTime::fromUnixSeconds(0);
        bool operator==(const Step&) const = default;
    };

    struct Session {
        std::string id;
        std::string agent;  // the agent's title, "Claude Code"
        std::string project;
        std::optional<std::string> app;  // the terminal or editor hosting it
        std::optional<std::string> tty;
        std::optional<std::string> branch;
        std::optional<std::string> path;  // the transcript
        std::vector<Step> steps;          // oldest first, never empty

        WallTime started() const { return steps.front().at; }
        // When the current state began: a state is never appended twice in a row.
        WallTime since() const { return steps.back().at; }
        State state() const { return steps.back().state; }
        // Seconds from the start of the last working run to the finish after it.
        std::optional<double> lastTurn() const;

        bool operator==(const Session&) const = default;
    };

    struct DailySummary {
        int finished = 0;   // sessions that finished that day
        int neededYou = 0;  // sessions that waited for the user that day
        int working = 0;    // sessions that worked that day
        bool operator==(const DailySummary&) const = default;
    };

    struct ProjectSessions {
        std::string project;
        std::vector<Session> sessions;  // most recent first
        bool operator==(const ProjectSessions&) const = default;
    };

    // One piece of evidence about a session.
    // Written with designated initializers; the fields left out stay empty.
    struct Entry {
        std::string id{};
        std::string agent{};
        std::string project{};
        std::optional<std::string> app{};
        State state = State::working;
        WallTime at = WallTime::fromUnixSeconds(0);
        Source source = Source::hook;
        // Hooks of this agent have been seen: its transcript quiet periods decide nothing.
        bool hooksAuthoritative = false;
        std::optional<std::string> tty{};
        std::optional<std::string> branch{};
        std::optional<std::string> path{};
    };

    // Whether the timeline changed.
    bool record(const Entry& entry);
    // Drops sessions whose last step is older than `retention`, then keeps the `cap` most recent.
    void prune(WallTime now);
    void clear() { sessions_.clear(); }
    void clearFinished();
    // Sessions silent for longer than `idleAfter` and not finished are marked
    // finished at `now`. Whether anything changed.
    bool closeStale(WallTime now, double idleAfter);

    // The id of the most recent session of that agent and project, else "agent|project".
    std::string sessionID(std::string_view agent, std::string_view project) const;
    // White space collapsed, trimmed, at most `maxTextCharacters` characters:
    // what agent, project and app names are stored as.
    static std::string normalize(std::string_view text);

    const std::vector<Session>& sessions() const { return sessions_; }
    const Session* find(std::string_view id) const;
    std::vector<ProjectSessions> byProject() const;
    DailySummary summary(WallTime day, const Calendar& calendar) const;

    Json toJson() const;
    // Nothing when the document is not an object with a "sessions" list;
    // sessions that do not decode are dropped.
    static std::optional<AgentTimeline> fromJson(const Json& json);

    bool operator==(const AgentTimeline&) const = default;

private:
    bool append(std::size_t index, const Entry& entry);
    void moveToFront(std::size_t index);

    std::vector<Session> sessions_;  // most recent first
};

std::ostream& operator<<(std::ostream& out, AgentTimeline::State state);
std::ostream& operator<<(std::ostream& out, const AgentTimeline::Session& session);

// The session list as it is shown: who needs the user, who works, and what
// finished today.
struct AgentSessionGroups {
    std::vector<AgentTimeline::Session> needsYou;
    std::vector<AgentTimeline::Session> working;
    std::vector<AgentTimeline::Session> finishedToday;

    static AgentSessionGroups make(const AgentTimeline& timeline, WallTime now, const Calendar& calendar);
    bool operator==(const AgentSessionGroups&) const = default;
};

template <>
struct EnumCases<AgentTimeline::State> {
    using State = AgentTimeline::State;
    static constexpr std::array cases{
        std::pair{State::working, std::string_view("working")},
        std::pair{State::needsYou, std::string_view("needsYou")},
        std::pair{State::finished, std::string_view("finished")},
    };
};

}  // namespace corvane
