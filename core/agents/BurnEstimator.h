#pragma once
// How fast a plan window fills: recent readings per window, and a straight
// line through the last half hour of them to say when it will be full.

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Time.h"

namespace corvane {

class BurnEstimator {
public:
    static constexpr std::size_t cap = 64;  // samples kept per series
    static constexpr double horizon = 1800;  // seconds of samples the estimate looks at
    static constexpr double minSpan = 300;   // shorter than this says nothing
    // A reset time that moves further than this belongs to a new window.
    static constexpr double resetTolerance = 60;
    // A drop bigger than this means the window started over.
    static constexpr double dropTolerance = 5;
    // An unchanged reading this soon after the last replaces it.
    static constexpr double sameReadingWithin = 30;
    // Slower than 0.03 % per hour is no pace at all.
    static constexpr double minSlope = 1.0 / 120000;

    struct Sample {
        WallTime at;
        double p = 0;
        bool operator==(const Sample&) const = default;
    };
    struct Series {
        std::optional<WallTime> resetsAt;
        std::vector<Sample> samples;
        bool operator==(const Series&) const = default;
    };
    struct Estimate {
        enum class Kind { fullAt, unknown, resetsFirst };
        Kind kind = Kind::unknown;
        WallTime at = WallTime::fromUnixSeconds(0);  // when full, for `fullAt`

        static Estimate fullAt(WallTime at) { return {Kind::fullAt, at}; }
        static Estimate unknown() { return {}; }
        static Estimate resetsFirst() { return {Kind::resetsFirst, WallTime::fromUnixSeconds(0)}; }
        bool operator==(const Estimate&) const = default;
    };

    std::map<std::string, Series> series;

    void record(const std::string& key, double percent, WallTime at, std::optional<WallTime> resetsAt);
    Estimate estimate(const std::string& key, WallTime now) const;
};

std::ostream& operator<<(std::ostream& out, const BurnEstimator::Estimate& estimate);

}  // namespace corvane
