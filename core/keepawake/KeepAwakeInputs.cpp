#include "core/keepawake/KeepAwakeInputs.h"

#include <cmath>

namespace corvane {

StayHold StayHold::starting(WallTime now, std::optional<double> hours)
{
    double seconds = hours && std::isfinite(*hours) && *hours > 0 ? *hours * 3600 : defaultSeconds;
    return StayHold{now, now.plusSeconds(seconds)};
}

std::optional<StayHold> StayHold::unfinished(const std::vector<KeepAwakeLogEntry>& entries, WallTime now,
                                             std::optional<double> hours)
{
    using Event = KeepAwakeLogEntry::Event;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        bool stay = entry->reason == logReason;
        if (entry->event == Event::guardrail || (entry->event == Event::stopped && stay))
            return std::nullopt;
        if (entry->event != Event::started || !stay)
            continue;
        StayHold hold = starting(entry->date, hours);
        if (hold.deadline <= now)
            return std::nullopt;
        return hold;
    }
    return std::nullopt;
}

}  // namespace corvane
