#pragma once
// Everything the keep-awake planner reads: the holds that exist, Auto
// Mode's state, the closed-lid helper, the lid, and the last guarded stop.
// A plain value: the controller redraws only when it changes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    // The log's reason when the hold starts or the user stops it.
    static constexpr std::string_view logReason = "stay awake";

    // A hold of `hours` (the setting "keepAwake.lidHours") from now; a
    // missing, non-positive or non-finite length gives eight hours.
    static StayHold starting(WallTime now, std::optional<double> hours);
    // The hold the log shows started and not yet stopped by the user or a
    // guardrail, as it was when the program last ran: its start and the
    // deadline `hours` after it. None when there is no such hold or its
    // deadline is not after `now`.
    static std::optional<StayHold> unfinished(const std::vector<KeepAwakeLogEntry>& entries, WallTime now,
                                              std::optional<double> hours);

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
