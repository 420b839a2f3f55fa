#pragma once
// Why a guardrail or the closed-lid helper stopped the holds, and the
// stop as the panel keeps it until the user resumes or dismisses it.

#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include "core/base/Time.h"
#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/LidStopReason.h"

namespace corvane {

struct StopCause {
    struct Battery {
        std::optional<int> percent;
        bool operator==(const Battery&) const = default;
    };
    struct Thermal {
        bool operator==(const Thermal&) const = default;
    };
    struct Deadline {
        bool operator==(const Deadline&) const = default;
    };
    struct Unplugged {
        bool operator==(const Unplugged&) const = default;
    };
    struct HelperFailed {
        bool operator==(const HelperFailed&) const = default;
    };
    std::variant<Battery, Thermal, Deadline, Unplugged, HelperFailed> value;

    static StopCause battery(std::optional<int> percent) { return {Battery{percent}}; }
    static StopCause thermal() { return {Thermal{}}; }
    static StopCause deadline() { return {Deadline{}}; }
    static StopCause unplugged() { return {Unplugged{}}; }
    static StopCause helperFailed() { return {HelperFailed{}}; }

    // None for the helper's ordinary ends (released, connection lost,
    // launch clean-up, shutdown).
    static std::optional<StopCause> from(LidStopReason reason, std::optional<int> batteryPercent);
    static StopCause from(StopReason reason, std::optional<int> batteryPercent);

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    // "battery 12%", "too hot", "time's up", "unplugged", "helper".
    std::string shortText() const;
    std::string symbol() const;

    bool operator==(const StopCause&) const = default;
};

struct KeepAwakeStop {
    StopCause cause;
    WallTime at = WallTime::fromUnixSeconds(0);
    std::optional<std::string> who;  // the work still running, such as an agent's label
    bool lidClosed = false;

    bool operator==(const KeepAwakeStop&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StopCause& cause);
std::ostream& operator<<(std::ostream& out, const KeepAwakeStop& stop);

}  // namespace corvane
