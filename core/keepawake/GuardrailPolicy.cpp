#include "core/keepawake/GuardrailPolicy.h"

#include <algorithm>
#include <limits>

#include "core/notch/SettingKey.h"

namespace corvane {

std::optional<StopReason> GuardrailDecision::stopReason() const
{
    if (const auto* stop = std::get_if<Stop>(&value))
        return stop->reason;
    return std::nullopt;
}

GuardrailDecision GuardrailPolicy::decide(const GuardrailInput& input) const
{
    if (input.now >= input.deadline)
        return GuardrailDecision::stop(StopReason::deadline);
    if (input.thermal == ThermalLevel::critical)
        return GuardrailDecision::stop(StopReason::thermal);
    // Machines without a battery never stop for the battery or the adapter.
    if (input.batteryPercent) {
        if (!input.charging && *input.batteryPercent < std::max(batteryFloor, lowestFloor))
            return GuardrailDecision::stop(StopReason::battery);
        if (onlyWhileCharging && !input.onAC.value_or(input.charging))
            return GuardrailDecision::stop(StopReason::unplugged);
    }
    return input.thermal == ThermalLevel::serious ? GuardrailDecision::warnThermal() : GuardrailDecision::ok();
}

nlohmann::json GuardrailPolicy::toJson() const
{
    return {{"batteryFloor", batteryFloor}, {"onlyWhileCharging", onlyWhileCharging}};
}

std::optional<GuardrailPolicy> GuardrailPolicy::fromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto floor = json.find("batteryFloor");
    auto charging = json.find("onlyWhileCharging");
    if (floor == json.end() || charging == json.end() || !charging->is_boolean())
        return std::nullopt;
    auto percent = SettingCodec<int>::decode(*floor);
    if (!percent)
        return std::nullopt;
    return GuardrailPolicy{*percent, charging->get<bool>()};
}

std::optional<KeepAwakeGuard> KeepAwakeGuards::evaluate(ThermalLevel thermal, std::optional<int> batteryPercent,
                                                        bool charging, std::optional<bool> onAC,
                                                        const GuardrailPolicy& policy)
{
    WallTime now = WallTime::fromUnixSeconds(0);
    WallTime never = now.plusSeconds(std::numeric_limits<double>::max());
    GuardrailInput input{thermal, batteryPercent, charging, onAC, now, never};
    switch (policy.decide(input).stopReason().value_or(StopReason::deadline)) {
    case StopReason::thermal: return KeepAwakeGuard::hot;
    case StopReason::battery: return KeepAwakeGuard::lowBattery;
    case StopReason::unplugged:
    case StopReason::deadline: return std::nullopt;
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const GuardrailDecision& decision)
{
    if (auto reason = decision.stopReason())
        return out << "stop(" << rawValue(*reason) << ")";
    return out << (std::holds_alternative<GuardrailDecision::Ok>(decision.value) ? "ok" : "warnThermal");
}

}  // namespace corvane
