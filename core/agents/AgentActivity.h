#pragma once
// Whether one transcript's agent is working, finished or stuck, judged only
// from when the transcript was last written and whether the agent's process
// still runs. One `AgentActivity` per transcript path, in memory only: every
// transcript starts idle at launch.

#include <iosfwd>
#include <optional>

#include "core/base/Time.h"

namespace corvane {

struct AgentPhase {
    enum class Case { idle, working, finished, stuck };

    Case state = Case::idle;
    // working: since; finished: at (the last write); stuck: since. Fixed for idle.
    WallTime at = WallTime::fromUnixSeconds(0);
    double duration = 0;  // finished only: the working run, in seconds

    static AgentPhase idle() { return {}; }
    static AgentPhase working(WallTime since) { return {Case::working, since, 0}; }
    static AgentPhase finished(WallTime at, double duration) { return {Case::finished, at, duration}; }
    static AgentPhase stuck(WallTime since) { return {Case::stuck, since, 0}; }

    bool operator==(const AgentPhase&) const = default;
};

std::ostream& operator<<(std::ostream& out, const AgentPhase& phase);

class AgentActivity {
public:
    // The live watcher's windows.
    static constexpr double liveWorkingWindow = 20;
    static constexpr double liveFinishAfter = 30;

    // "ai.stuckMinutes": below 6 means 5 minutes, above 120 means 120.
    static double stuckAfterSeconds(int stuckMinutes);
    static AgentActivity live(int stuckMinutes);

    AgentActivity(double workingWindow, double finishAfter, double stuckAfter);

    // The new phase when it changed (and stores it), else nothing.
    std::optional<AgentPhase> observe(std::optional<WallTime> lastWrite, bool processAlive, WallTime now);

    const AgentPhase& phase() const { return phase_; }
    double workingWindow() const { return workingWindow_; }
    double finishAfter() const { return finishAfter_; }
    double stuckAfter() const { return stuckAfter_; }
    // "ai.stuckMinutes" changed: a finished phase is judged by the new window from now on.
    void setStuckAfter(double seconds) { stuckAfter_ = seconds; }

private:
    AgentPhase next(std::optional<WallTime> lastWrite, bool processAlive, WallTime now) const;

    double workingWindow_;
    double finishAfter_;
    double stuckAfter_;
    AgentPhase phase_;
};

}  // namespace corvane
