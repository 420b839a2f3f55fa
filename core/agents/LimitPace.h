#pragma once
// The one line under a plan window that says how it is going: reached,
// plenty left, or when it will be full at the current pace.

#include <iosfwd>
#include <optional>
#include <string>

#include "core/agents/BurnEstimator.h"
#include "core/base/Time.h"

namespace corvane::LimitPace {

struct Line {
    std::string text;
    bool warn = false;
    bool operator==(const Line&) const = default;
};

Line line(double percent, std::optional<WallTime> resetsAt, const BurnEstimator::Estimate& estimate, WallTime now,
          const Calendar& calendar);

// "45 min", "2 h 15 min", "3 d 4 h"; never below "1 min".
std::string duration(double seconds);

// "14:05" on the day of `now`, else "Mon 14:05".
std::string moment(WallTime time, WallTime now, const Calendar& calendar);

std::ostream& operator<<(std::ostream& out, const Line& line);

}  // namespace corvane::LimitPace
