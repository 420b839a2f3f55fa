#include "core/notch/AlertCountdown.h"

#include <algorithm>

namespace corvane {

AlertCountdown AlertCountdown::started(double duration, WallTime now)
{
    return AlertCountdown{duration, now.plusSeconds(duration), std::nullopt};
}

double AlertCountdown::remaining(WallTime now) const
{
    if (pausedLeft)
        return *pausedLeft;
    if (deadline)
        return std::max(0.0, deadline->secondsSince(now));
    return duration;
}

double AlertCountdown::fraction(WallTime now) const
{
    if (!(duration > 0))
        return 0;
    return std::clamp(remaining(now) / duration, 0.0, 1.0);
}

void AlertCountdown::pause(WallTime now)
{
    if (isPaused())
        return;
    pausedLeft = remaining(now);
    deadline.reset();
}

void AlertCountdown::resume(WallTime now)
{
    if (!isPaused())
        return;
    deadline = now.plusSeconds(*pausedLeft);
    pausedLeft.reset();
}

}  // namespace corvane
