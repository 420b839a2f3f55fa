#pragma once
// The alerts the keep-awake controller raises, as the posts it hands to
// its module context, and the few fixed texts it shows itself.

#include <string_view>

#include "core/keepawake/StopCause.h"
#include "core/keepawake/ThermalLevel.h"
#include "core/notch/AlertPost.h"

namespace corvane {

namespace KeepAwakeEvents {

inline constexpr std::string_view moduleID = "keepAwake";
inline constexpr std::string_view warningTint = "#FF9F0A";
inline constexpr std::string_view assertionRefused = "The system refused to keep the computer awake.";
inline constexpr std::string_view staleSleepTitle = "Sleep is turned off on this computer";
inline constexpr std::string_view staleSleepBody = "SleepDisabled is on. See Keep awake › Safety.";
inline constexpr std::string_view leaseRenewal = "Keep awake: renewing the lid-closed hold";

// A manual session ran out.
AlertPost ended();
// Auto Mode let go after its grace period.
AlertPost workDone();
// A guardrail or the helper stopped every hold.
AlertPost guardedStop(const StopCause& cause);
// The machine runs hot during a hold.
AlertPost thermalWarning();

}  // namespace KeepAwakeEvents

// Warns once per hot spell: when the heat reaches serious during a hold,
// and again only after it went back to nominal or fair.
struct ThermalWarning {
    bool warned = false;

    // True when the warning is to be raised now.
    bool update(ThermalLevel level, bool holding);

    bool operator==(const ThermalWarning&) const = default;
};

}  // namespace corvane
