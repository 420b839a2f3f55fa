#pragma once
// The panel's list of what holds the machine awake right now, one row per
// holder: the user's session, the stay hold, Step away, each group of
// running work, the wind-down, and each rule that matches.

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeInputs.h"
#include "core/keepawake/KeepAwakeRules.h"
#include "core/keepawake/WorkloadRule.h"

namespace corvane {

struct KeepAwakeHolder {
    enum class Tone { working, winding, rule, secondary };
    // The row's stop button.
    enum class Stop { manual, stay };

    std::string id;
    std::string symbol;
    std::string name;
    std::string sub;
    std::string state;
    Tone tone = Tone::secondary;
    std::optional<Stop> stop;

    bool operator==(const KeepAwakeHolder&) const = default;
};

namespace KeepAwakeHolders {

// `runningApps` pairs app ids with their names. Work and rules show only
// while Auto Mode holds. Times of day read in `calendar`'s zone.
std::vector<KeepAwakeHolder> rows(const KeepAwakeInputs& inputs, const std::vector<Workload>& workloads,
                                  const std::vector<std::pair<std::string, std::string>>& runningApps,
                                  const KeepAwakeRules& rules, bool onPower, bool externalDisplay, WallTime now,
                                  const Calendar& calendar);

}  // namespace KeepAwakeHolders

std::ostream& operator<<(std::ostream& out, const KeepAwakeHolder& holder);

}  // namespace corvane
