#pragma once
// Where Auto Mode stands: off, waiting for a rule to match, paused by a
// guardrail, or keeping the machine awake for a reason. The reason carries
// what the panel, the ear and the log say about it.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "core/base/Time.h"
#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/WorkloadRule.h"

namespace corvane {

// The display name of an app from its id; the id itself when unknown.
using AppNames = std::function<std::string(const std::string& appID)>;

// What the workload scan says, held steady: the label shown stays on the
// process first seen while it keeps running.
struct KeepAwakeAgents {
    struct Working {
        WorkloadKind kind = WorkloadKind::agent;
        std::string label;
        bool operator==(const Working&) const = default;
    };
    struct Winding {
        WallTime until;
        bool operator==(const Winding&) const = default;
    };
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    std::variant<Working, Winding, Idle> value = Idle{};

    static KeepAwakeAgents working(WorkloadKind kind, std::string label) { return {Working{kind, std::move(label)}}; }
    static KeepAwakeAgents winding(WallTime until) { return {Winding{until}}; }
    static KeepAwakeAgents idle() { return {Idle{}}; }

    // `graceUntil` is the Auto Mode controller's grace deadline, if any.
    static KeepAwakeAgents from(const std::vector<Workload>& workloads, std::optional<WallTime> graceUntil,
                                const KeepAwakeAgents& previous);

    bool operator==(const KeepAwakeAgents&) const = default;
};

struct KeepAwakeReason {
    struct Work {
        WorkloadKind kind = WorkloadKind::agent;
        std::string label;
        bool operator==(const Work&) const = default;
    };
    struct App {
        std::string appID;
        bool operator==(const App&) const = default;
    };
    struct Winding {
        WallTime until;
        bool operator==(const Winding&) const = default;
    };
    struct ExternalDisplay {
        bool operator==(const ExternalDisplay&) const = default;
    };
    struct Power {
        bool operator==(const Power&) const = default;
    };
    std::variant<Work, App, Winding, ExternalDisplay, Power> value;

    static KeepAwakeReason workload(WorkloadKind kind, std::string label) { return {Work{kind, std::move(label)}}; }
    static KeepAwakeReason app(std::string appID) { return {App{std::move(appID)}}; }
    static KeepAwakeReason winding(WallTime until) { return {Winding{until}}; }
    static KeepAwakeReason externalDisplay() { return {ExternalDisplay{}}; }
    static KeepAwakeReason power() { return {Power{}}; }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    // "Agent working", "Xcode is running", "Work stopped · sleep in 3 min".
    std::string text(const AppNames& appName, WallTime now) const;
    // The reason as the log records it: "agents and builds", an app id,
    // "external display", "power adapter".
    std::string logKey() const;

    bool operator==(const KeepAwakeReason&) const = default;
};

struct KeepAwakeRuleState {
    struct Paused {
        KeepAwakeGuard guard = KeepAwakeGuard::hot;
        bool operator==(const Paused&) const = default;
    };
    struct Awake {
        KeepAwakeReason reason;
        bool operator==(const Awake&) const = default;
    };
    struct Off {
        bool operator==(const Off&) const = default;
    };
    struct Waiting {
        bool operator==(const Waiting&) const = default;
    };
    std::variant<Paused, Awake, Off, Waiting> value = Off{};

    static KeepAwakeRuleState paused(KeepAwakeGuard guard) { return {Paused{guard}}; }
    static KeepAwakeRuleState awake(KeepAwakeReason reason) { return {Awake{std::move(reason)}}; }
    static KeepAwakeRuleState off() { return {Off{}}; }
    static KeepAwakeRuleState waiting() { return {Waiting{}}; }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }
    // The reason while awake, else null.
    const KeepAwakeReason* awakeReason() const;
    // The winding deadline while awake only to wind down.
    std::optional<WallTime> windingUntil() const;
    // Same case whatever the payload: the controller restarts "since" only
    // when the case changes.
    bool sameCase(const KeepAwakeRuleState& other) const { return value.index() == other.value.index(); }

    bool operator==(const KeepAwakeRuleState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeAgents& agents);
std::ostream& operator<<(std::ostream& out, const KeepAwakeReason& reason);
std::ostream& operator<<(std::ostream& out, const KeepAwakeRuleState& state);

}  // namespace corvane
