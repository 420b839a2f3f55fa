#include "core/keepawake/KeepAwakeSettings.h"

#include <algorithm>

#include "core/keepawake/WorkloadMatcher.h"
#include "core/notch/Keys.h"

namespace corvane::KeepAwakeSettings {

KeepAwakeRules rules(SettingsStore& settings)
{
    return KeepAwakeRules::fromJson(settings.get(Keys::keepAwakeRules)).value_or(KeepAwakeRules{});
}

void setRules(SettingsStore& settings, const KeepAwakeRules& rules)
{
    settings.set(Keys::keepAwakeRules, rules.toJson());
}

GuardrailPolicy guardrails(SettingsStore& settings)
{
    return GuardrailPolicy::fromJson(settings.get(Keys::keepAwakeGuardrails)).value_or(GuardrailPolicy{});
}

void setGuardrails(SettingsStore& settings, const GuardrailPolicy& policy)
{
    settings.set(Keys::keepAwakeGuardrails, policy.toJson());
}

std::vector<WorkloadRule> customRules(SettingsStore& settings)
{
    return WorkloadRule::listFromJson(settings.get(Keys::keepAwakeCustomRules));
}

void setCustomRules(SettingsStore& settings, const std::vector<WorkloadRule>& rules)
{
    settings.set(Keys::keepAwakeCustomRules, WorkloadRule::listToJson(rules));
}

std::vector<WorkloadRule> scanRules(SettingsStore& settings)
{
    std::vector<WorkloadRule> all = WorkloadMatcher::defaultRules();
    std::vector<WorkloadRule> custom = customRules(settings);
    all.insert(all.end(), custom.begin(), custom.end());
    return all;
}

LidChoice lidChoice(SettingsStore& settings)
{
    return fromRawValue<LidChoice>(settings.get(Keys::keepAwakeLidChoice)).value_or(LidChoice::sleepWhenDone);
}

void setLidChoice(SettingsStore& settings, LidChoice choice)
{
    settings.set(Keys::keepAwakeLidChoice, std::string(rawValue(choice)));
}

double graceSeconds(SettingsStore& settings)
{
    return std::max(0, settings.get(Keys::keepAwakeGraceSeconds));
}

}  // namespace corvane::KeepAwakeSettings
