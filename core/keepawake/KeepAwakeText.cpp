#include "core/keepawake/KeepAwakeText.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/base/Ascii.h"

namespace corvane::KeepAwakeText {

std::string hours(double hours)
{
    // The small allowance keeps 0.7 h at 42 min despite binary fractions.
    if (hours < 1)
        return fmt::format("{} min", static_cast<long>(std::floor(std::max(0.0, hours) * 60 + 1e-6)));
    if (hours == std::floor(hours))
        return fmt::format("{} h", static_cast<long>(hours));
    // fmt formats without the locale unless asked, so the point stays a point.
    return fmt::format("{:.1f} h", hours);
}

std::string remaining(double seconds)
{
    if (seconds < 3600)
        return fmt::format("{} min", static_cast<long>(std::ceil(std::max(0.0, seconds) / 60)));
    return hours(seconds / 3600);
}

std::string clockTime(WallTime time, const Calendar& calendar)
{
    LocalDateTime local = calendar.components(time);
    return fmt::format("{:02}:{:02}", local.hour, local.minute);
}

int minutesUntil(WallTime until, WallTime now)
{
    return static_cast<int>(std::ceil(std::max(0.0, until.secondsSince(now)) / 60));
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

}  // namespace corvane::KeepAwakeText
