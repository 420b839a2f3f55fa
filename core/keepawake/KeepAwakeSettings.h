#pragma once
// The keep-awake settings as typed values. The settings store keeps the
// records as JSON; unreadable JSON reads as the default (and for the
// user's workload rules, entry by entry), so a damaged value never stops
// keep awake from working.

#include <optional>
#include <vector>

#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/KeepAwakeRules.h"
#include "core/keepawake/LidChoice.h"
#include "core/keepawake/WorkloadRule.h"
#include "core/notch/SettingsStore.h"

namespace corvane::KeepAwakeSettings {

KeepAwakeRules rules(SettingsStore& settings);
void setRules(SettingsStore& settings, const KeepAwakeRules& rules);

GuardrailPolicy guardrails(SettingsStore& settings);
void setGuardrails(SettingsStore& settings, const GuardrailPolicy& policy);

std::vector<WorkloadRule> customRules(SettingsStore& settings);
void setCustomRules(SettingsStore& settings, const std::vector<WorkloadRule>& rules);
// The built-in rules followed by the user's, as every scan uses them.
std::vector<WorkloadRule> scanRules(SettingsStore& settings);

LidChoice lidChoice(SettingsStore& settings);
void setLidChoice(SettingsStore& settings, LidChoice choice);

// Never below 0.
double graceSeconds(SettingsStore& settings);

}  // namespace corvane::KeepAwakeSettings
