#include "core/agents/Iso8601.h"

#include <cstdint>

namespace corvane {

namespace {

// Reads `count` decimal digits at `position`; nothing unless all are digits.
std::optional<int> digits(std::string_view text, std::size_t position, std::size_t count)
{
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<WallTime> parseTranscriptTimestamp(std::string_view text)
{
    // "yyyy-MM-ddTHH:mm:ss" then "." and the fraction.
    constexpr std::size_t secondsEnd = 19;
    if (text.size() < secondsEnd + 3 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':'
        || text[16] != ':' || text[secondsEnd] != '.')
        return std::nullopt;
    auto year = digits(text, 0, 4);
    auto month = digits(text, 5, 2);
    auto day = digits(text, 8, 2);
    auto hour = digits(text, 11, 2);
    auto minute = digits(text, 14, 2);
    auto second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) || *hour > 23 || *minute > 59
        || *second > 59)
        return std::nullopt;

    std::size_t position = secondsEnd + 1;
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9' && scale <= 1'000'000'000) {
        fraction = fraction * 10 + (text[position] - '0');
        scale *= 10;
        ++position;
    }
    if (scale == 1 || scale > 1'000'000'000)
        return std::nullopt;

    int offsetSeconds = 0;
    std::string_view zone = text.substr(position);
    if (zone != "Z") {
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':')
            return std::nullopt;
        auto offsetHours = digits(zone, 1, 2);
        auto offsetMinutes = digits(zone, 4, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (*offsetHours * 3600 + *offsetMinutes * 60) * (zone[0] == '-' ? -1 : 1);
    }

    const std::int64_t seconds = daysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second
                                 - offsetSeconds;
    return WallTime::fromUnixSeconds(static_cast<double>(seconds) + static_cast<double>(fraction) / static_cast<double>(scale));
}

}  // namespace corvane
