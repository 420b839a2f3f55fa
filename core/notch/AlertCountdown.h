#pragma once
// The time left on an alert card. Pointing at a card pauses it; leaving it
// resumes with the time that was left.

#include <optional>

#include "core/base/Time.h"

namespace corvane {

struct AlertCountdown {
    double duration = 0;             // seconds
    std::optional<WallTime> deadline;
    std::optional<double> pausedLeft;  // seconds, while paused

    static AlertCountdown started(double duration, WallTime now);

    bool isPaused() const { return pausedLeft.has_value(); }
    // Seconds left: the paused remainder, else until the deadline (never
    // below 0), else the whole duration.
    double remaining(WallTime now) const;
    // Remaining over duration, clamped to 0...1; 0 for a duration that is not positive.
    double fraction(WallTime now) const;
    bool isExpired(WallTime now) const { return !isPaused() && deadline && *deadline <= now; }

    void pause(WallTime now);
    void resume(WallTime now);

    bool operator==(const AlertCountdown&) const = default;
};

}  // namespace corvane
