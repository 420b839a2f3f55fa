#include "core/agents/LimitPace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>

#include <fmt/format.h>

#include "core/keepawake/KeepAwakeText.h"

namespace corvane::LimitPace {

Line line(double percent, std::optional<WallTime> resetsAt, const BurnEstimator::Estimate& estimate, WallTime now,
          const Calendar& calendar)
{
    using Kind = BurnEstimator::Estimate::Kind;
    if (percent >= 100) {
        if (resetsAt)
            return {"Limit reached — resets in " + duration(resetsAt->secondsSince(now)), true};
        return {"Limit reached", true};
    }
    switch (estimate.kind) {
    case Kind::unknown:
        return {fmt::format("{}% left — the pace shows while you work", std::lround(std::max(0.0, 100 - percent))),
                false};
    case Kind::resetsFirst:
        return {"Plenty left at this pace", false};
    case Kind::fullAt:
        return {"At this pace, full at " + moment(estimate.at, now, calendar), true};
    }
    return {};
}

std::string duration(double seconds)
{
    long minutes = std::max(1L, static_cast<long>(std::ceil(seconds / 60)));
    if (minutes < 60)
        return fmt::format("{} min", minutes);
    long hours = minutes / 60;
    if (hours < 24)
        return minutes % 60 == 0 ? fmt::format("{} h", hours) : fmt::format("{} h {} min", hours, minutes % 60);
    return hours % 24 == 0 ? fmt::format("{} d", hours / 24) : fmt::format("{} d {} h", hours / 24, hours % 24);
}

std::string moment(WallTime time, WallTime now, const Calendar& calendar)
{
    static constexpr std::array<const char*, 7> weekdays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::string clock = KeepAwakeText::clockTime(time, calendar);
    if (calendar.isSameDay(time, now))
        return clock;
    return fmt::format("{} {}", weekdays[static_cast<std::size_t>(calendar.components(time).weekday)], clock);
}

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << "{\"" << line.text << "\"" << (line.warn ? " warn" : "") << "}";
}

}  // namespace corvane::LimitPace
