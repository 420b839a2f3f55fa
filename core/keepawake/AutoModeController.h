#pragma once
// Auto Mode's hold over time: holds while any workload runs, and once the
// last one ends lets go only after a grace period, so that the short gaps
// between an agent's turns or a build's steps do not let the machine sleep.

#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "core/base/Time.h"
#include "core/keepawake/WorkloadRule.h"

namespace corvane {

struct AutoDecision {
    struct Hold {
        std::string reason;  // the first active workload's label
        bool operator==(const Hold&) const = default;
    };
    struct ReleaseAfterGrace {
        WallTime until;
        bool operator==(const ReleaseAfterGrace&) const = default;
    };
    struct Release {
        bool workDone = false;
        bool operator==(const Release&) const = default;
    };
    struct None {
        bool operator==(const None&) const = default;
    };
    std::variant<Hold, ReleaseAfterGrace, Release, None> value = None{};

    static AutoDecision hold(std::string reason) { return {Hold{std::move(reason)}}; }
    static AutoDecision releaseAfterGrace(WallTime until) { return {ReleaseAfterGrace{until}}; }
    static AutoDecision release(bool workDone) { return {Release{workDone}}; }
    static AutoDecision none() { return {None{}}; }

    bool operator==(const AutoDecision&) const = default;
};

class AutoModeController {
public:
    // A grace of 0 or less lets go at the first scan after the work ended.
    explicit AutoModeController(double graceSeconds);

    AutoDecision update(const std::vector<Workload>& active, WallTime now);

    double grace() const { return grace_; }
    bool holding() const { return holding_; }
    std::optional<WallTime> graceUntil() const { return graceUntil_; }

private:
    double grace_;
    bool holding_ = false;
    std::optional<WallTime> graceUntil_;
};

std::ostream& operator<<(std::ostream& out, const AutoDecision& decision);

}  // namespace corvane
