#include "core/keepawake/KeepAwakeRuleEngine.h"

#include "core/keepawake/Overloaded.h"

namespace corvane::KeepAwakeRuleEngine {

KeepAwakeRuleState evaluate(bool enabled, const KeepAwakeRules& rules, const KeepAwakeRuleInputs& inputs)
{
    if (!enabled)
        return KeepAwakeRuleState::off();
    if (rules.onCount() == 0)
        return KeepAwakeRuleState::waiting();
    if (inputs.guardStop)
        return KeepAwakeRuleState::paused(*inputs.guardStop);
    if (const auto* working = std::get_if<KeepAwakeAgents::Working>(&inputs.agents.value); working && rules.agents)
        return KeepAwakeRuleState::awake(KeepAwakeReason::workload(working->kind, working->label));
    if (rules.apps) {
        for (const std::string& id : rules.appBundleIDs) {
            if (inputs.runningApps.contains(id))
                return KeepAwakeRuleState::awake(KeepAwakeReason::app(id));
        }
    }
    if (rules.display && inputs.externalDisplay)
        return KeepAwakeRuleState::awake(KeepAwakeReason::externalDisplay());
    if (rules.power && inputs.onPower)
        return KeepAwakeRuleState::awake(KeepAwakeReason::power());
    if (const auto* winding = std::get_if<KeepAwakeAgents::Winding>(&inputs.agents.value); winding && rules.agents)
        return KeepAwakeRuleState::awake(KeepAwakeReason::winding(winding->until));
    return KeepAwakeRuleState::waiting();
}

Card card(const KeepAwakeRuleState& state, const KeepAwakeRules& rules, const AppNames& appName, WallTime now)
{
    Card out = std::visit(Overloaded{
        [](const KeepAwakeRuleState::Off&) { return Card{"Off", "Awake when a rule matches", {}}; },
        [](const KeepAwakeRuleState::Waiting&) { return Card{"On", "Waiting — no rule matches", {}}; },
        [&](const KeepAwakeRuleState::Awake& awake) { return Card{"On", awake.reason.text(appName, now), {}}; },
        [](const KeepAwakeRuleState::Paused& paused) {
            return paused.guard == KeepAwakeGuard::lowBattery ? Card{"Paused", "Paused — battery low", {}}
                                                              : Card{"Paused", "Paused — computer is hot", {}};
        },
    }, state.value);
    out.summary = rules.summary();
    return out;
}

}  // namespace corvane::KeepAwakeRuleEngine
