#include "core/keepawake/KeepAwakeRuleState.h"

#include <algorithm>

#include <fmt/format.h>

#include "core/keepawake/KeepAwakeText.h"
#include "core/keepawake/Overloaded.h"

namespace corvane {

KeepAwakeAgents KeepAwakeAgents::from(const std::vector<Workload>& workloads, std::optional<WallTime> graceUntil,
                                      const KeepAwakeAgents& previous)
{
    if (const auto* was = std::get_if<Working>(&previous.value)) {
        bool stillThere = std::any_of(workloads.begin(), workloads.end(), [&](const Workload& workload) {
            return workload.kind == was->kind && workload.label == was->label;
        });
        if (stillThere)
            return previous;
    }
    if (workloads.empty())
        return graceUntil ? winding(*graceUntil) : idle();
    return working(workloads.front().kind, workloads.front().label);
}

std::string KeepAwakeReason::text(const AppNames& appName, WallTime now) const
{
    return std::visit(Overloaded{
        [](const Work& work) -> std::string {
            switch (work.kind) {
            case WorkloadKind::agent: return "Agent working";
            case WorkloadKind::build: return "Build running";
            case WorkloadKind::custom: break;
            }
            return work.label + " running";
        },
        [&](const App& app) -> std::string { return (appName ? appName(app.appID) : app.appID) + " is running"; },
        [&](const Winding& winding) -> std::string {
            return fmt::format("Work stopped · sleep in {} min", KeepAwakeText::minutesUntil(winding.until, now));
        },
        [](const ExternalDisplay&) -> std::string { return "External display"; },
        [](const Power&) -> std::string { return "On power adapter"; },
    }, value);
}

std::string KeepAwakeReason::logKey() const
{
    return std::visit(Overloaded{
        [](const Work&) -> std::string { return "agents and builds"; },
        [](const App& app) -> std::string { return app.appID; },
        [](const Winding&) -> std::string { return "agents and builds"; },
        [](const ExternalDisplay&) -> std::string { return "external display"; },
        [](const Power&) -> std::string { return "power adapter"; },
    }, value);
}

const KeepAwakeReason* KeepAwakeRuleState::awakeReason() const
{
    const auto* awake = as<Awake>();
    return awake != nullptr ? &awake->reason : nullptr;
}

std::optional<WallTime> KeepAwakeRuleState::windingUntil() const
{
    const KeepAwakeReason* reason = awakeReason();
    if (reason == nullptr || reason->as<KeepAwakeReason::Winding>() == nullptr)
        return std::nullopt;
    return reason->as<KeepAwakeReason::Winding>()->until;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeAgents& agents)
{
    std::visit(Overloaded{
        [&](const KeepAwakeAgents::Working& working) {
            out << "working(" << rawValue(working.kind) << ", \"" << working.label << "\")";
        },
        [&](const KeepAwakeAgents::Winding& winding) { out << "winding(" << iso8601(winding.until) << ")"; },
        [&](const KeepAwakeAgents::Idle&) { out << "idle"; },
    }, agents.value);
    return out;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeReason& reason)
{
    std::visit(Overloaded{
        [&](const KeepAwakeReason::Work& work) {
            out << "workload(" << rawValue(work.kind) << ", \"" << work.label << "\")";
        },
        [&](const KeepAwakeReason::App& app) { out << "app(" << app.appID << ")"; },
        [&](const KeepAwakeReason::Winding& winding) { out << "winding(" << iso8601(winding.until) << ")"; },
        [&](const KeepAwakeReason::ExternalDisplay&) { out << "externalDisplay"; },
        [&](const KeepAwakeReason::Power&) { out << "power"; },
    }, reason.value);
    return out;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeRuleState& state)
{
    std::visit(Overloaded{
        [&](const KeepAwakeRuleState::Paused& paused) {
            out << "paused(" << (paused.guard == KeepAwakeGuard::hot ? "hot" : "lowBattery") << ")";
        },
        [&](const KeepAwakeRuleState::Awake& awake) { out << "awake(" << awake.reason << ")"; },
        [&](const KeepAwakeRuleState::Off&) { out << "off"; },
        [&](const KeepAwakeRuleState::Waiting&) { out << "waiting"; },
    }, state.value);
    return out;
}

}  // namespace corvane
