#pragma once
// Small text pieces the keep-awake surfaces share: durations, times of
// day, and the trimming of what the user typed.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/Time.h"

namespace corvane::KeepAwakeText {

// Below one hour "<minutes> min"; a whole number of hours "<n> h"; else
// "%.1f h", always with a decimal point whatever the user's locale.
std::string hours(double hours);
// What is left of a timer: "<n> min" below an hour (minutes rounded up),
// else as `hours`.
std::string remaining(double seconds);
// "14:05" in the calendar's zone.
std::string clockTime(WallTime time, const Calendar& calendar);
// Whole minutes from now until `until`, rounded up, never below 0.
int minutesUntil(WallTime until, WallTime now);
// Without leading and trailing spaces, tabs and line breaks.
std::string_view trimmed(std::string_view text);
// Characters as the user counts them: UTF-8 code points.
std::size_t characterCount(std::string_view text);

}  // namespace corvane::KeepAwakeText
