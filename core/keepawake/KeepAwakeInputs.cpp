#include "core/keepawake/KeepAwakeInputs.h"

#include <cmath>

namespace corvane {

StayHold StayHold::starting(WallTime now, std::optional<double> hours)
{
    double seconds = hours && std::isfinite(*hours) && *hours > 0 ? *hours * 3600 : defaultSeconds;
    return StayHold{now, now.plusSeconds(seconds)};
}

}  // namespace corvane
