#include "core/base/Time.h"

#include <cmath>
#include <cstdlib>

#include <date/date.h>
#include <date/tz.h>
#include <fmt/format.h>

namespace corvane {

struct Calendar::Zone {
    const date::time_zone* zone = nullptr;  // null means UTC
    std::string name;
};

namespace {

using SysSeconds = date::sys_seconds;

SysSeconds toSys(WallTime time)
{
    return SysSeconds{std::chrono::seconds{static_cast<std::int64_t>(std::floor(time.unixSeconds()))}};
}

const date::time_zone* locate(const std::string& name)
{
    try {
        return date::locate_zone(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

Calendar Calendar::utc()
{
    static const auto zone = std::make_shared<const Zone>(Zone{nullptr, "UTC"});
    return Calendar(zone);
}

Calendar Calendar::local()
{
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (auto named = Calendar::named(name))
            return *named;
    }
    try {
        const date::time_zone* current = date::current_zone();
        return Calendar(std::make_shared<const Zone>(Zone{current, std::string(current->name())}));
    } catch (const std::exception&) {
        return utc();
    }
}

Result<Calendar> Calendar::named(const std::string& name)
{
    if (name == "UTC")
        return utc();
    const date::time_zone* zone = locate(name);
    if (zone == nullptr)
        return fail(Error::make(Error::Code::NotFound, "locate time zone", name));
    return Calendar(std::make_shared<const Zone>(Zone{zone, name}));
}

const std::string& Calendar::zoneName() const { return zone_->name; }

namespace {

date::local_seconds toLocal(const date::time_zone* zone, WallTime time)
{
    SysSeconds sys = toSys(time);
    if (zone == nullptr)
        return date::local_seconds{sys.time_since_epoch()};
    return zone->to_local(sys);
}

}  // namespace

LocalDateTime Calendar::components(WallTime time) const
{
    date::local_seconds local = toLocal(zone_->zone, time);
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
    return date::floor<date::days>(toLocal(zone_->zone, time)).time_since_epoch().count();
}

WallTime Calendar::instant(const LocalDateTime& local) const
{
    auto day = date::local_days{date::year{local.year} / local.month / local.day};
    date::local_seconds seconds = day + std::chrono::hours{local.hour} + std::chrono::minutes{local.minute}
        + std::chrono::seconds{local.second};
    if (zone_->zone == nullptr)
        return WallTime::fromUnixSeconds(static_cast<double>(seconds.time_since_epoch().count()));
    date::local_info info = zone_->zone->get_info(seconds);
    std::chrono::seconds offset = info.first.offset;
    if (info.result == date::local_info::nonexistent)
        offset = info.first.offset;  // a skipped hour maps forward by the old offset
    return WallTime::fromUnixSeconds(static_cast<double>((seconds.time_since_epoch() - offset).count()));
}

WallTime Calendar::startOfDay(WallTime time) const
{
    LocalDateTime local = components(time);
    local.hour = local.minute = local.second = 0;
    return instant(local);
}

std::string compactStamp(WallTime time, const Calendar& calendar)
{
    LocalDateTime c = calendar.components(time);
    return fmt::format("{:04}{:02}{:02}-{:02}{:02}{:02}", c.year, c.month, c.day, c.hour, c.minute, c.second);
}

std::string iso8601(WallTime time)
{
    LocalDateTime c = Calendar::utc().components(time);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", c.year, c.month, c.day, c.hour, c.minute, c.second);
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
