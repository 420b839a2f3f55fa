#pragma once
// The notch's timing settings, clamped to what keeps it usable: a dwell
// of at most two seconds before opening on hover, and a collapse of 50 ms
// to 5 s after the pointer left.

#include <algorithm>

namespace corvane {

class SettingsStore;

struct NotchTimings {
    double dwellSeconds = 0.15;     // "general.hoverDelayMs"
    double collapseSeconds = 0.2;   // "general.collapseDelayMs"
    bool openOnHover = true;        // "general.openOnHover"

    static constexpr double dwellFromMilliseconds(int ms) { return std::clamp(ms, 0, 2000) / 1000.0; }
    static constexpr double collapseFromMilliseconds(int ms) { return std::clamp(ms, 50, 5000) / 1000.0; }

    static NotchTimings from(SettingsStore& settings);

    bool operator==(const NotchTimings&) const = default;
};

}  // namespace corvane
