#pragma once
// Claude Code fires its stop hook after every turn, even a one-line answer;
// only a run long enough for the user to have turned away is announced.

#include <optional>

#include "core/base/Time.h"

namespace corvane {

struct StopHookGate {
    static constexpr double minimum = 30;

    // The working run must be known and have lasted at least `minimum`.
    static constexpr bool shouldAlert(std::optional<WallTime> workingSince, WallTime now)
    {
        return workingSince && now.secondsSince(*workingSince) >= minimum;
    }
};

}  // namespace corvane
