#pragma once
// Everything the keep-awake planner reads: the holds that exist, Auto
// Mode's state, the closed-lid helper, the lid, and the last guarded stop.
// A plain value: the controller redraws only when it changes.

#include <optional>
#include <string>

#include "core/base/Time.h"
#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/HelperState.h"
#include "core/keepawake/KeepAwakeRecap.h"
#include "core/keepawake/KeepAwakeRuleState.h"
#include "core/keepawake/KeepAwakeSession.h"
#include "core/keepawake/LidChoice.h"
#include "core/keepawake/StopCause.h"

namespace corvane {

// An open-ended hold ("Stay awake", Step away) that ends at its deadline at the latest.
struct StayHold {
    // Used when no length is set.
    static constexpr double defaultSeconds = 28800;

    WallTime startedAt;
    WallTime deadline;

    // A hold of `hours` (the setting "keepAwake.lidHours") from now; a
    // missing, non-positive or non-finite length gives eight hours.
    static StayHold starting(WallTime now, std::optional<double> hours);

    bool operator==(const StayHold&) const = default;
};

struct KeepAwakeInputs {
    LidChoice choice = LidChoice::sleepWhenDone;
    std::optional<KeepAwakeSession> manual;
    KeepAwakeRuleState rule = KeepAwakeRuleState::off();
    std::optional<WallTime> ruleSince;
    std::optional<std::string> who;  // the work that holds
    std::optional<StayHold> stay;
    bool away = false;
    HelperState helper = HelperState::unknown;
    std::optional<StopReason> lidGuard;  // a guardrail that forbids the closed-lid hold now
    bool lidClosed = false;
    std::optional<KeepAwakeStop> stopped;
    std::optional<KeepAwakeRecap> recap;
    bool allowDisplaySleep = false;

    KeepAwakeInputs steppingAway(bool on) const
    {
        KeepAwakeInputs copy = *this;
        copy.away = on;
        return copy;
    }

    bool operator==(const KeepAwakeInputs&) const = default;
};

}  // namespace corvane
