#include "core/agents/RestartRule.h"

#include <algorithm>
#include <cmath>

namespace corvane {

bool RestartRule::sameBoot(double storedBoot, WallTime boot)
{
    return std::fabs(boot.unixSeconds() - storedBoot) < sameBootTolerance;
}

RestartRule::Check RestartRule::check(std::optional<double> storedBoot, WallTime boot, const AgentTimeline& timeline)
{
    Check check;
    if (!storedBoot || sameBoot(*storedBoot, boot))
        return check;
    check.restarted = true;
    for (const AgentTimeline::Session& session : timeline.sessions()) {
        double before = boot.secondsSince(session.since());
        if (session.state() == AgentTimeline::State::working && before > 0 && before <= window)
            check.offered.push_back(session.id);
    }
    return check;
}

bool RestartRule::cardVisible(WallTime boot, WallTime now, const std::vector<std::string>& offered,
                              const std::set<std::string>& resumed)
{
    if (now.secondsSince(boot) >= cardLifetime)
        return false;
    return std::any_of(offered.begin(), offered.end(), [&](const std::string& id) { return !resumed.contains(id); });
}

}  // namespace corvane
