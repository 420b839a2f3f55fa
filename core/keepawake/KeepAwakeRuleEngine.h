#pragma once
// Auto Mode's decision: from the switches, the work found and the state of
// the machine, whether to keep it awake now and why. First match wins:
// guardrails, then work, apps, display, power, and last the wind-down.

#include <optional>
#include <set>
#include <string>

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeRuleState.h"
#include "core/keepawake/KeepAwakeRules.h"

namespace corvane {

struct KeepAwakeRuleInputs {
    KeepAwakeAgents agents;
    std::set<std::string> runningApps;  // app ids
    bool onPower = false;
    bool externalDisplay = false;
    std::optional<KeepAwakeGuard> guardStop;

    bool operator==(const KeepAwakeRuleInputs&) const = default;
};

namespace KeepAwakeRuleEngine {

// The Auto Mode card of the panel.
struct Card {
    std::string value;    // "On", "Off", "Paused"
    std::string reason;
    std::string summary;  // "2 of 4 rules on"
    bool operator==(const Card&) const = default;
};

KeepAwakeRuleState evaluate(bool enabled, const KeepAwakeRules& rules, const KeepAwakeRuleInputs& inputs);
Card card(const KeepAwakeRuleState& state, const KeepAwakeRules& rules, const AppNames& appName, WallTime now);

}  // namespace KeepAwakeRuleEngine

}  // namespace corvane
