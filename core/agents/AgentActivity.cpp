#include "core/agents/AgentActivity.h"

#include <algorithm>
#include <ostream>

namespace corvane {

std::ostream& operator<<(std::ostream& out, const AgentPhase& phase)
{
    switch (phase.state) {
    case AgentPhase::Case::idle:
        return out << "idle";
    case AgentPhase::Case::working:
        return out << "working(since: " << phase.at.unixSeconds() << ")";
    case AgentPhase::Case::finished:
        return out << "finished(at: " << phase.at.unixSeconds() << ", duration: " << phase.duration << ")";
    case AgentPhase::Case::stuck:
        return out << "stuck(since: " << phase.at.unixSeconds() << ")";
    }
    return out;
}

double AgentActivity::stuckAfterSeconds(int stuckMinutes)
{
    if (stuckMinutes < 6)
        return 300;
    return std::min(stuckMinutes, 120) * 60.0;
}

AgentActivity AgentActivity::live(int stuckMinutes)
{
    return AgentActivity(liveWorkingWindow, liveFinishAfter, stuckAfterSeconds(stuckMinutes));
}

AgentActivity::AgentActivity(double workingWindow, double finishAfter, double stuckAfter)
    : workingWindow_(workingWindow)
    , finishAfter_(finishAfter)
    , stuckAfter_(stuckAfter)
{
}

std::optional<AgentPhase> AgentActivity::observe(std::optional<WallTime> lastWrite, bool processAlive, WallTime now)
{
    AgentPhase phase = next(lastWrite, processAlive, now);
    if (phase == phase_)
        return std::nullopt;
    phase_ = phase;
    return phase;
}

AgentPhase AgentActivity::next(std::optional<WallTime> lastWrite, bool processAlive, WallTime now) const
{
    using Case = AgentPhase::Case;
    if (!lastWrite)
        return phase_.state == Case::idle || !processAlive ? AgentPhase::idle() : phase_;

    double age = now.secondsSince(*lastWrite);
    if (age <= workingWindow_)
        return phase_.state == Case::working ? phase_ : AgentPhase::working(*lastWrite);

    switch (phase_.state) {
    case Case::working:
        if (age >= finishAfter_)
            return AgentPhase::finished(*lastWrite, lastWrite->secondsSince(phase_.at));
        return phase_;
    case Case::finished:
        if (!processAlive)
            return AgentPhase::idle();
        return age >= stuckAfter_ ? AgentPhase::stuck(*lastWrite) : phase_;
    case Case::stuck:
        return processAlive ? phase_ : AgentPhase::idle();
    case Case::idle:
        break;
    }
    return phase_;
}

}  // namespace corvane
