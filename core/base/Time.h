#pragma once
// Time as strong types. A wall-clock instant (WallTime) and a monotonic
// instant are different things; durations stay plain seconds (double), as
// every setting and rule in the program counts them.
//
// Stored JSON dates count seconds since 1 January 2001 (the reference date);
// settings such as "events.quietUntil" count seconds since 1970. WallTime
// names both conversions so the two cannot be mixed up silently.

#include <chrono>
#include <compare>
#include <cstdint>
#include <memory>
#include <string>

#include "core/base/Result.h"

namespace corvane {

class WallTime {
public:
    static constexpr double referenceDateOffset = 978307200.0;  // 2001-01-01 in Unix seconds

    static constexpr WallTime fromUnixSeconds(double seconds) { return WallTime(seconds); }
    static constexpr WallTime fromReferenceSeconds(double seconds) { return WallTime(seconds + referenceDateOffset); }
    // The "distant past" of an unread marker: year 1 in the proleptic calendar.
    static constexpr WallTime distantPast() { return WallTime(-62135769600.0); }

    constexpr double unixSeconds() const { return unix_; }
    constexpr double referenceSeconds() const { return unix_ - referenceDateOffset; }

    constexpr WallTime plusSeconds(double seconds) const { return WallTime(unix_ + seconds); }
    constexpr double secondsSince(WallTime earlier) const { return unix_ - earlier.unix_; }

    constexpr auto operator<=>(const WallTime&) const = default;

private:
    constexpr explicit WallTime(double unix) : unix_(unix) {}
    double unix_;
};

using MonotonicTime = std::chrono::steady_clock::time_point;

// Local date and time components of an instant in one time zone.
struct LocalDateTime {
    int year = 0;
    int month = 0;  // 1...12
    int day = 0;    // 1...31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;  // 0 = Sunday
    bool operator==(const LocalDateTime&) const = default;
};

// Calendar arithmetic in one time zone: which day an instant falls on, and
// where that day starts. Tests pin the zone; the app uses the user's.
class Calendar {
public:
    static Calendar utc();
    // The zone named by TZ when set and known, else the system's, else UTC.
    static Calendar local();
    static Result<Calendar> named(const std::string& zone);

    const std::string& zoneName() const;
    LocalDateTime components(WallTime time) const;
    // Days since 1970-01-01 of the local date.
    std::int64_t dayNumber(WallTime time) const;
    bool isSameDay(WallTime a, WallTime b) const { return dayNumber(a) == dayNumber(b); }
    WallTime startOfDay(WallTime time) const;
    // The instant of a local date and time (the earlier one when ambiguous).
    WallTime instant(const LocalDateTime& local) const;

    // A zone's rules, known only to the calendar's own sources.
    struct Zone;

private:
    explicit Calendar(std::shared_ptr<const Zone> zone) : zone_(std::move(zone)) {}
    std::shared_ptr<const Zone> zone_;
};

// "yyyyMMdd-HHmmss" in the calendar's zone, as quarantined files are named.
std::string compactStamp(WallTime time, const Calendar& calendar);
// "2026-03-01T09:15:00Z": UTC, whole seconds.
std::string iso8601(WallTime time);

// The source of "now". Controllers take one so tests and fixture runs can move time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
    virtual MonotonicTime monotonicNow() const = 0;
};

class SystemClock final : public Clock {
public:
    WallTime now() const override;
    MonotonicTime monotonicNow() const override;
};

// A clock that moves only when told to; both readings advance together.
class ManualClock final : public Clock {
public:
    explicit ManualClock(WallTime start) : now_(start) {}
    WallTime now() const override { return now_; }
    MonotonicTime monotonicNow() const override;
    void advance(double seconds);
    void set(WallTime time);

private:
    WallTime now_;
    double elapsed_ = 0;
};

}  // namespace corvane
