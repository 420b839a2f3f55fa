#include "core/keepawake/KeepAwakeHolders.h"

#include <algorithm>

#include <fmt/format.h>

#include "core/keepawake/KeepAwakePlan.h"
#include "core/keepawake/KeepAwakeText.h"
#include "core/keepawake/Overloaded.h"

namespace corvane::KeepAwakeHolders {

namespace {

using Tone = KeepAwakeHolder::Tone;

std::string manualSub(const KeepAwakeSession& session, WallTime now, const Calendar& calendar)
{
    return std::visit(Overloaded{
        [&](const KeepAwakeMode::Duration&) {
            double left = *session.remaining(now);
            // A long timer reads better as the time it ends.
            return left < 3600 ? KeepAwakeText::remaining(left) + " left"
                               : "Until " + KeepAwakeText::clockTime(now.plusSeconds(left), calendar);
        },
        [](const KeepAwakeMode::WhileProcess& process) { return "While " + process.name + " runs"; },
        [](const KeepAwakeMode::Indefinite&) { return std::string("Until you stop it"); },
        [](const KeepAwakeMode::WhileDevServers&) { return std::string("While dev servers run"); },
    }, session.mode.value);
}

void addWorkGroups(const std::vector<Workload>& workloads, std::vector<KeepAwakeHolder>& out)
{
    // Groups in the order their first process was found.
    std::vector<std::pair<const Workload*, int>> groups;
    for (const Workload& workload : workloads) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& seen) {
            return seen.first->kind == workload.kind && seen.first->label == workload.label;
        });
        if (group == groups.end())
            groups.emplace_back(&workload, 1);
        else
            ++group->second;
    }
    for (const auto& [first, count] : groups) {
        bool agent = first->kind == WorkloadKind::agent;
        std::string sub = agent ? (count == 1 ? "1 session" : fmt::format("{} sessions", count))
                                : (count == 1 ? "1 process" : fmt::format("{} processes", count));
        out.push_back({"work." + first->label, agent ? "sparkles" : "hammer", first->label, sub, "Working",
                       Tone::working, std::nullopt});
    }
}

}  // namespace

std::vector<KeepAwakeHolder> rows(const KeepAwakeInputs& inputs, const std::vector<Workload>& workloads,
                                  const std::vector<std::pair<std::string, std::string>>& runningApps,
                                  const KeepAwakeRules& rules, bool onPower, bool externalDisplay, WallTime now,
                                  const Calendar& calendar)
{
    std::vector<KeepAwakeHolder> out;
    bool lidToo = KeepAwakePlan::decide(inputs).lidLease;
    if (inputs.manual) {
        out.push_back({"manual", "cup.and.saucer", "Keep awake now", manualSub(*inputs.manual, now, calendar),
                       lidToo ? "Keeps the computer awake, lid closed too" : "Keeps the computer awake while the lid is open",
                       Tone::working, KeepAwakeHolder::Stop::manual});
    }
    if (inputs.stay) {
        std::string sub = "Until " + KeepAwakeText::clockTime(inputs.stay->deadline, calendar);
        if (!lidToo)
            sub += " · lid open only";
        out.push_back({"stay", "sun.max", "Stay awake", sub, "On", Tone::working, KeepAwakeHolder::Stop::stay});
    }
    if (inputs.away) {
        out.push_back({"away", "lock", "Step away", "Screen locked · work keeps running", "Away", Tone::secondary,
                       std::nullopt});
    }

    const KeepAwakeReason* reason = inputs.rule.awakeReason();
    if (reason == nullptr)
        return out;
    if (reason->as<KeepAwakeReason::Work>() != nullptr)
        addWorkGroups(workloads, out);
    if (const auto* winding = reason->as<KeepAwakeReason::Winding>()) {
        out.push_back({"winding", "moon", "Work finished",
                       fmt::format("Sleeps in {} min unless work starts again",
                                   KeepAwakeText::minutesUntil(winding->until, now)),
                       "Winding down", Tone::winding, std::nullopt});
    }
    if (rules.apps) {
        for (const std::string& id : rules.appBundleIDs) {
            auto app = std::find_if(runningApps.begin(), runningApps.end(),
                                    [&](const auto& running) { return running.first == id; });
            if (app != runningApps.end())
                // The row shows the app's own icon.
                out.push_back({"app." + id, "", app->second, "Rule: while this app is open", "Open",
                               Tone::rule, std::nullopt});
        }
    }
    if (rules.display && externalDisplay)
        out.push_back({"display", "display", "External display", "Rule: while a display is connected", "Rule",
                       Tone::rule, std::nullopt});
    if (rules.power && onPower)
        out.push_back({"power", "powerplug", "Power adapter", "Rule: while on power adapter", "Rule", Tone::rule,
                       std::nullopt});
    return out;
}

}  // namespace corvane::KeepAwakeHolders

namespace corvane {

std::ostream& operator<<(std::ostream& out, const KeepAwakeHolder& holder)
{
    return out << "KeepAwakeHolder{" << holder.id << ", " << holder.symbol << ", \"" << holder.name << "\", \""
               << holder.sub << "\", \"" << holder.state << "\", tone " << int(holder.tone)
               << (holder.stop ? (*holder.stop == KeepAwakeHolder::Stop::manual ? ", stop manual" : ", stop stay") : "")
               << "}";
}

}  // namespace corvane
