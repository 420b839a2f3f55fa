#pragma once
// How long each kind of hold kept the machine awake over the last seven
// days, from the keep-awake log: "manual" (sessions and the stay hold),
// "auto" (Auto Mode) and "lid" (the closed-lid hold), in seconds.

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeLog.h"

namespace corvane {

struct KeepAwakeWeeklySummary {
    double manualSeconds = 0;
    double autoSeconds = 0;
    double lidSeconds = 0;

    // A span opens at its family's start event and closes at its end
    // event; a guardrail closes every open span, and "workDone" closes
    // Auto Mode's (it is how Auto Mode lets go once the work finished). A
    // span still open runs until `now`; only the part inside the week counts.
    static KeepAwakeWeeklySummary of(const KeepAwakeLog& log, WallTime now);

    bool operator==(const KeepAwakeWeeklySummary&) const = default;
};

}  // namespace corvane
