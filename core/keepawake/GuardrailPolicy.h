#pragma once
// Guardrails protect the machine while something keeps it awake: a
// deadline, critical heat, a battery floor and, for the closed-lid hold,
// running only on the power adapter. Auto Mode only pauses for heat and a
// low battery (`KeepAwakeGuard`); the closed-lid hold stops for all four.

#include <array>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"
#include "core/keepawake/ThermalLevel.h"

namespace corvane {

// Why the guardrails stopped the holds; the raw values go to the log.
enum class StopReason { thermal, battery, unplugged, deadline };

template <>
struct EnumCases<StopReason> {
    static constexpr std::array cases{
        std::pair{StopReason::thermal, std::string_view("thermal")},
        std::pair{StopReason::battery, std::string_view("battery")},
        std::pair{StopReason::unplugged, std::string_view("unplugged")},
        std::pair{StopReason::deadline, std::string_view("deadline")},
    };
};

struct GuardrailInput {
    ThermalLevel thermal = ThermalLevel::nominal;
    std::optional<int> batteryPercent;  // none: no battery
    bool charging = false;
    std::optional<bool> onAC;  // none: taken to follow `charging`
    WallTime now = WallTime::fromUnixSeconds(0);
    WallTime deadline = WallTime::fromUnixSeconds(0);
};

struct GuardrailDecision {
    struct Stop {
        StopReason reason;
        bool operator==(const Stop&) const = default;
    };
    struct Ok {
        bool operator==(const Ok&) const = default;
    };
    struct WarnThermal {
        bool operator==(const WarnThermal&) const = default;
    };
    std::variant<Stop, Ok, WarnThermal> value;

    static GuardrailDecision stop(StopReason reason) { return {Stop{reason}}; }
    static GuardrailDecision ok() { return {Ok{}}; }
    static GuardrailDecision warnThermal() { return {WarnThermal{}}; }
    std::optional<StopReason> stopReason() const;

    bool operator==(const GuardrailDecision&) const = default;
};

struct GuardrailPolicy {
    // Below this a battery floor gives too little room to sleep safely.
    static constexpr int lowestFloor = 5;

    int batteryFloor = 15;  // percent
    bool onlyWhileCharging = false;

    GuardrailDecision decide(const GuardrailInput& input) const;

    // {"batteryFloor":15,"onlyWhileCharging":false}; both keys are required.
    nlohmann::json toJson() const;
    static std::optional<GuardrailPolicy> fromJson(const nlohmann::json& json);

    bool operator==(const GuardrailPolicy&) const = default;
};

// What pauses Auto Mode.
enum class KeepAwakeGuard { hot, lowBattery };

namespace KeepAwakeGuards {
// The guardrail decision with no deadline in sight, reduced to the two
// reasons that pause Auto Mode.
std::optional<KeepAwakeGuard> evaluate(ThermalLevel thermal, std::optional<int> batteryPercent, bool charging,
                                       std::optional<bool> onAC, const GuardrailPolicy& policy);
}  // namespace KeepAwakeGuards

std::ostream& operator<<(std::ostream& out, const GuardrailDecision& decision);

}  // namespace corvane
