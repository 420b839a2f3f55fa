#pragma once
// Sessions cut off by a restart of the machine: those still working within
// half an hour before it are offered for resuming on a card that stays for a
// day of the new boot, until each has been resumed.
//
// The boot time (core/base/BootTime.h) moves by a second or so when the
// clock is adjusted; boot times closer than `sameBootTolerance` are the same
// boot.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/agents/AgentTimeline.h"
#include "core/base/Time.h"

namespace corvane {

struct RestartRule {
    static constexpr double window = 1800;
    static constexpr double cardLifetime = 86400;
    static constexpr double sameBootTolerance = 60;

    struct Check {
        bool restarted = false;  // the stored boot ("ai.restart.boot") is another one
        std::vector<std::string> offered;  // for "ai.restart.sessions"
        bool operator==(const Check&) const = default;
    };
    // `storedBoot` is "ai.restart.boot" (seconds since 1970); with none this
    // is the first launch and nothing is offered. Runs before the timeline
    // closes stale sessions, which would mark these finished.
    static Check check(std::optional<double> storedBoot, WallTime boot, const AgentTimeline& timeline);

    static bool sameBoot(double storedBoot, WallTime boot);
    static bool cardVisible(WallTime boot, WallTime now, const std::vector<std::string>& offered,
                            const std::set<std::string>& resumed);
};

}  // namespace corvane
