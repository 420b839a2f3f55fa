#include "core/keepawake/KeepAwakePlan.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/keepawake/KeepAwakeText.h"
#include "core/keepawake/Overloaded.h"

namespace corvane {

namespace KeepAwakePlan {

namespace {

bool isAwake(const KeepAwakeInputs& in)
{
    return in.manual || in.rule.awakeReason() != nullptr || in.stay || in.away;
}

// The name of the app a rule holds for: the controller passes it as `who`.
AppNames appNameFrom(const KeepAwakeInputs& in)
{
    return [who = in.who](const std::string& appID) { return who.value_or(appID); };
}

std::string subject(const KeepAwakeStop& stop)
{
    return stop.who && !stop.who->empty() ? *stop.who : "Work";
}

KeepAwakeStatus stoppedStatus(const KeepAwakeStop& stop)
{
    KeepAwakeStatus out{KeepAwakeTone::stopped, {}, {}, 3, {}, stop.at, KeepAwakeStatus::Action::resume};
    std::visit(Overloaded{
        [&](const StopCause::Battery& battery) {
            out.title = battery.percent ? fmt::format("Stopped — battery at {}%", *battery.percent)
                                        : "Stopped — battery at its floor";
            out.sub = subject(stop) + " was still working, but the battery got low, so Lunebox let your computer sleep. "
                                      "Plug in to keep going.";
        },
        [&](const StopCause::HelperFailed&) {
            out.title = "Stopped — the lid setting didn't hold";
            out.sub = "The system didn't keep the lid-closed setting, so your computer sleeps normally. Try Resume.";
        },
        [&](const StopCause::Unplugged&) {
            out.title = "Stopped — unplugged";
            out.sub = "Lid-closed running is set to charging only, so Lunebox let your computer sleep. Plug in to keep going.";
        },
        [&](const StopCause::Deadline&) {
            out.title = "Stopped — longest run reached";
            out.sub = "It stayed awake as long as Safety allows, then went back to normal sleep. Resume to keep going.";
        },
        [&](const StopCause::Thermal&) {
            out.title = "Stopped — computer got too hot";
            out.sub = subject(stop) + " was still working, but the computer got critically hot, so Lunebox let it sleep. "
                                      "Let it cool, then Resume.";
        },
    }, stop.cause.value);
    return out;
}

std::string manualTitle(const KeepAwakeSession& session, WallTime now)
{
    return std::visit(Overloaded{
        [&](const KeepAwakeMode::Duration&) {
            return "Awake — " + KeepAwakeText::remaining(*session.remaining(now)) + " more";
        },
        [](const KeepAwakeMode::WhileProcess& process) { return "Awake — while " + process.name + " runs"; },
        [](const KeepAwakeMode::Indefinite&) { return std::string("Awake — until you stop it"); },
        [](const KeepAwakeMode::WhileDevServers&) { return std::string("Awake — while dev servers run"); },
    }, session.mode.value);
}

// The symbol of what holds, for the ear when no more particular ear applies.
std::string reasonSymbol(const KeepAwakeReason& reason)
{
    return std::visit(Overloaded{
        [](const KeepAwakeReason::Work& work) { return work.kind == WorkloadKind::agent ? "sparkles" : "hammer"; },
        [](const KeepAwakeReason::App&) { return "macwindow"; },
        [](const KeepAwakeReason::Winding&) { return "moon.fill"; },
        [](const KeepAwakeReason::ExternalDisplay&) { return "display"; },
        [](const KeepAwakeReason::Power&) { return "powerplug"; },
    }, reason.value);
}

}  // namespace

KeepAwakeDecision decide(const KeepAwakeInputs& in)
{
    KeepAwakeDecision out;
    bool byYou = in.manual || in.stay;
    if (byYou)
        out.assertion = in.allowDisplaySleep ? AssertionKind::system : AssertionKind::display;
    else if (isAwake(in))
        out.assertion = AssertionKind::system;  // the display may sleep while work runs
    bool ruleAwake = in.rule.awakeReason() != nullptr;
    out.lidLease = (in.stay || (in.choice == LidChoice::sleepWhenDone && ruleAwake)) && in.helper == HelperState::ready
                   && !in.lidGuard;
    out.helperCard = (needsApproval(in.helper) && in.choice != LidChoice::sleepNormally) || mustReplace(in.helper);
    return out;
}

KeepAwakeStatus status(const KeepAwakeInputs& in, WallTime now, const Calendar& calendar)
{
    using Action = KeepAwakeStatus::Action;
    const KeepAwakeReason* reason = in.rule.awakeReason();
    bool leaseHeld = decide(in).lidLease;

    if (in.recap && !in.manual && !in.stay && reason == nullptr)
        return {KeepAwakeTone::recap, "While the lid was closed", in.recap->summary, 3, {1, 2}, in.recap->closedAt,
                Action::done};
    if (in.stopped)
        return stoppedStatus(*in.stopped);
    if (in.stay) {
        std::string until = KeepAwakeText::clockTime(in.stay->deadline, calendar);
        std::string sub = leaseHeld ? "Lid closed too. Back to normal sleep at " + until
                          : needsApproval(in.helper)
                              ? "While the lid is open. Allow the helper once to stay awake with it closed."
                              : "While the lid is open. Back to normal sleep at " + until;
        return {KeepAwakeTone::awake, "Your computer stays awake", sub, 2, {}, in.stay->startedAt, Action::none};
    }
    if (in.manual) {
        std::string sub = in.choice == LidChoice::stayAwake
            ? "Kept awake by you."
            : "Kept awake by you. Closing the lid still puts the computer to sleep.";
        return {KeepAwakeTone::awake, manualTitle(*in.manual, now), sub, 2, {}, in.manual->startedAt, Action::none};
    }
    if (reason != nullptr) {
        if (const auto* winding = reason->as<KeepAwakeReason::Winding>()) {
            std::string sub = leaseHeld ? "Nothing is running anymore. The lid can stay closed; your computer sleeps after "
                                          "the grace period."
                                        : "Nothing is running anymore. Your computer sleeps after the grace period.";
            return {KeepAwakeTone::winding,
                    fmt::format("Work finished — sleeps in {} min", KeepAwakeText::minutesUntil(winding->until, now)),
                    sub, 2, {1}, in.ruleSince, Action::none};
        }
        std::string sub = leaseHeld ? "The lid can close too. Your computer sleeps once this stops."
                                    : "Your computer sleeps once this stops.";
        int step = reason->as<KeepAwakeReason::Work>() != nullptr ? 1 : 2;
        return {KeepAwakeTone::awake, "Your computer stays awake while " + reason->text(appNameFrom(in), now), sub, step,
                {}, in.ruleSince, Action::none};
    }
    if (in.away)
        return {KeepAwakeTone::awake, "Your computer stays awake while you’re away",
                "The screen is locked; Lunebox keeps the computer and the network awake.", 2, {}, std::nullopt,
                Action::none};
    if (const auto* paused = in.rule.as<KeepAwakeRuleState::Paused>()) {
        std::string sub = paused->guard == KeepAwakeGuard::lowBattery
            ? "Paused while the battery is low. Plug in to keep going."
            : "Paused while the computer is very hot. It keeps going once it cools down.";
        return {KeepAwakeTone::idle, "Auto Mode is paused", sub, 0, {}, in.ruleSince, Action::none};
    }
    if (in.rule.as<KeepAwakeRuleState::Off>() != nullptr)
        return {KeepAwakeTone::idle, "Your computer can sleep normally",
                "Automatic keep awake is off. Keep awake now holds it up for a while.", 0, {}, std::nullopt,
                Action::none};
    return {KeepAwakeTone::idle, "Your computer can sleep normally",
            "Nothing running. When an agent or build starts, it stays awake on its own.", 0, {}, std::nullopt,
            Action::none};
}

bool earYieldsToAgentEar(const KeepAwakeInputs& in)
{
    if (in.manual || in.stay || in.away)
        return false;
    const KeepAwakeReason* reason = in.rule.awakeReason();
    const auto* work = reason != nullptr ? reason->as<KeepAwakeReason::Work>() : nullptr;
    return work != nullptr && work->kind == WorkloadKind::agent;
}

std::optional<KeepAwakeEar> ear(const KeepAwakeInputs& in, WallTime now, bool wide)
{
    // A guarded stop stays in the ear until the user resumes or dismisses it.
    if ((!isAwake(in) && !in.stopped) || earYieldsToAgentEar(in))
        return std::nullopt;
    if (in.stopped) {
        const StopCause& cause = in.stopped->cause;
        return KeepAwakeEar{KeepAwakeTone::stopped, cause.symbol(), wide ? "Stopped" : "Ended", cause.shortText(),
                            "Stopped · " + cause.shortText()};
    }
    if (in.away)
        return KeepAwakeEar{KeepAwakeTone::awake, "lock", "Away", {}, "Awake · Step away"};
    if (auto until = in.rule.windingUntil()) {
        int minutes = static_cast<int>(std::floor(std::max(0.0, until->secondsSince(now)) / 60)) + 1;
        std::string detail = decide(in).lidLease ? (wide ? "lid closed OK" : "lid OK")
                                                 : fmt::format("in {} min", minutes);
        return KeepAwakeEar{KeepAwakeTone::winding, "moon.fill", wide ? "Sleeps soon" : "Done", detail,
                            "Sleeps when done · " + detail};
    }
    if (in.manual) {
        std::string label = in.manual->earLabel(now);
        return KeepAwakeEar{KeepAwakeTone::awake, "cup.and.saucer", "Awake", label, "Awake · Keep awake now · " + label};
    }
    if (in.stay) {
        std::string left = KeepAwakeText::remaining(std::max(0.0, in.stay->deadline.secondsSince(now)));
        return KeepAwakeEar{KeepAwakeTone::awake, "sun.max", "Awake", left, "Awake · Stay awake · " + left};
    }
    const KeepAwakeReason& reason = *in.rule.awakeReason();
    std::string text = reason.text(appNameFrom(in), now);
    return KeepAwakeEar{KeepAwakeTone::awake, reasonSymbol(reason), "Awake", in.who.value_or(text), "Awake · " + text};
}

double earTick(const std::optional<KeepAwakeSession>& manual)
{
    return manual && manual->mode.as<KeepAwakeMode::Duration>() != nullptr ? 1 : viewTick;
}

AssertionChange assertionChange(AssertionKind held, AssertionKind wanted)
{
    if (held == wanted)
        return {};
    AssertionChange change;
    change.release = held != AssertionKind::none;
    if (wanted != AssertionKind::none)
        change.create = wanted;
    return change;
}

int leaseHardDeadlineSeconds(const std::optional<StayHold>& stay, WallTime now)
{
    WallTime deadline = stay ? stay->deadline : now.plusSeconds(StayHold::defaultSeconds);
    return std::max(60, static_cast<int>(std::floor(deadline.secondsSince(now))));
}

int leaseBatteryFloor(const std::optional<GuardrailPolicy>& policy)
{
    return policy ? std::max(GuardrailPolicy::lowestFloor, policy->batteryFloor) : 15;
}

}  // namespace KeepAwakePlan

std::ostream& operator<<(std::ostream& out, AssertionKind kind)
{
    switch (kind) {
    case AssertionKind::none: return out << "none";
    case AssertionKind::system: return out << "system";
    case AssertionKind::display: return out << "display";
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeDecision& decision)
{
    return out << "KeepAwakeDecision{" << decision.assertion << (decision.lidLease ? ", lid lease" : "")
               << (decision.helperCard ? ", helper card" : "") << "}";
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeStatus& status)
{
    out << "KeepAwakeStatus{tone " << int(status.tone) << ", \"" << status.title << "\" / \"" << status.sub
        << "\", step " << status.flowActive << ", action " << int(status.action);
    if (status.since)
        out << ", since " << iso8601(*status.since);
    return out << "}";
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeEar& ear)
{
    return out << "KeepAwakeEar{" << int(ear.tone) << ", " << ear.symbol << ", \"" << ear.label << "\", \""
               << ear.detail << "\", \"" << ear.full << "\"}";
}

}  // namespace corvane
