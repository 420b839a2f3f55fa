#include "core/base/Time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/base/CalendarZone.h"

namespace corvane {

namespace {

date::sys_seconds toSys(WallTime time)
{
    return date::sys_seconds{std::chrono::seconds{static_cast<std::int64_t>(std::floor(time.unixSeconds()))}};
}

}  // namespace

date::local_seconds Calendar::Zone::toLocal(date::sys_seconds time) const
{
    return date::local_seconds{time.time_since_epoch()};
}

std::chrono::seconds Calendar::Zone::offsetOfLocal(date::local_seconds) const { return std::chrono::seconds{0}; }

Calendar Calendar::utc()
{
    static const auto zone = std::make_shared<const Zone>("UTC");
    return Calendar(zone);
}

const std::string& Calendar::zoneName() const { return zone_->name; }

LocalDateTime Calendar::components(WallTime time) const
{
    date::local_seconds local = zone_->toLocal(toSys(time));
    auto day = date::floor<date::days>(local);
    date::year_month_day ymd{day};
    date::hh_mm_ss<std::chrono::seconds> hms{local - day};
    LocalDateTime out;
    out.year = static_cast<int>(ymd.year());
    out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    out.hour = static_cast<int>(hms.hours().count());
    out.minute = static_cast<int>(hms.minutes().count());
    out.second = static_cast<int>(hms.seconds().count());
    out.weekday = static_cast<int>(date::weekday{day}.c_encoding());
    return out;
}

std::int64_t Calendar::dayNumber(WallTime time) const
{
    return date::floor<date::days>(zone_->toLocal(toSys(time))).time_since_epoch().count();
}

WallTime Calendar::instant(const LocalDateTime& local) const
{
    auto day = date::local_days{date::year{local.year} / local.month / local.day};
    date::local_seconds seconds = day + std::chrono::hours{local.hour} + std::chrono::minutes{local.minute}
        + std::chrono::seconds{local.second};
    std::chrono::seconds offset = zone_->offsetOfLocal(seconds);
    return WallTime::fromUnixSeconds(static_cast<double>((seconds.time_since_epoch() - offset).count()));
}

WallTime Calendar::startOfDay(WallTime time) const
{
    LocalDateTime local = components(time);
    local.hour = local.minute = local.second = 0;
    return instant(local);
}

// Plain printf here: the status command links this file, and it starts
// without loading any shared C++ library.
namespace {

std::string stamp(const char* format, const LocalDateTime& c)
{
    char text[48];
    int length = std::snprintf(text, sizeof text, format, c.year, c.month, c.day, c.hour, c.minute, c.second);
    return std::string(text, static_cast<std::size_t>(std::max(0, length)));
}

}  // namespace

std::string compactStamp(WallTime time, const Calendar& calendar)
{
    return stamp("%04d%02d%02d-%02d%02d%02d", calendar.components(time));
}

std::string iso8601(WallTime time)
{
    return stamp("%04d-%02d-%02dT%02d:%02d:%02dZ", Calendar::utc().components(time));
}

WallTime SystemClock::now() const
{
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return WallTime::fromUnixSeconds(std::chrono::duration<double>(since).count());
}

MonotonicTime SystemClock::monotonicNow() const { return std::chrono::steady_clock::now(); }

MonotonicTime ManualClock::monotonicNow() const
{
    return MonotonicTime{} + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(elapsed_));
}

void ManualClock::advance(double seconds)
{
    now_ = now_.plusSeconds(seconds);
    elapsed_ += seconds;
}

void ManualClock::set(WallTime time)
{
    if (time > now_)
        elapsed_ += time.secondsSince(now_);
    now_ = time;
}

}  // namespace corvane
