#include "core/keepawake/KeepAwakeEvents.h"

#include <fmt/format.h>

#include "core/keepawake/Overloaded.h"

namespace corvane {

namespace KeepAwakeEvents {

namespace {

AlertCardPlan card(std::string symbol, std::string eyebrow, std::string headline)
{
    AlertCardPlan plan;
    plan.symbol = std::move(symbol);
    plan.tintHex = std::string(warningTint);
    plan.eyebrow = std::move(eyebrow);
    plan.headline = std::move(headline);
    plan.primary = AlertCardPlan::Primary::open(std::string(moduleID));
    return plan;
}

}  // namespace

AlertPost ended()
{
    AlertPost post;
    post.kind = "keepAwake.ended";
    post.title = "Keep Awake ended";
    post.body = "Your Mac can sleep again.";
    return post;
}

AlertPost workDone()
{
    AlertPost post;
    post.kind = "keepAwake.workDone";
    post.title = "Work done";
    post.body = "Nothing is running anymore — your Mac can sleep.";
    return post;
}

AlertPost guardedStop(const StopCause& cause)
{
    AlertPost post;
    std::visit(Overloaded{
        [&](const StopCause::Battery& battery) {
            post.kind = "keepAwake.battery";
            post.title = "Battery low";
            post.body = battery.percent
                ? fmt::format("Keep awake stopped at {}% so your Mac can sleep safely.", *battery.percent)
                : "Keep awake stopped so your Mac can sleep safely.";
        },
        [&](const StopCause::Unplugged&) {
            post.kind = "keepAwake.battery";
            post.title = "Unplugged";
            post.body = "Lid-closed running is set to charging only.";
        },
        [&](const StopCause::Thermal&) {
            post.kind = "keepAwake.thermal";
            post.title = "Too hot";
            post.body = "Keep awake stopped to protect your Mac.";
        },
        [&](const StopCause::Deadline&) {
            post.kind = "keepAwake.ended";
            post.title = "Time's up";
            post.body = "Keep awake reached its longest run.";
        },
        [&](const StopCause::HelperFailed&) {
            post.kind = "keepAwake.ended";
            post.title = "Lid setting lost";
            post.body = "macOS didn't keep the lid-closed setting; your Mac sleeps normally.";
        },
    }, cause.value);
    post.card = card("exclamationmark.shield.fill", post.title, "Keep awake stopped");
    post.ear = EarPayload{cause.symbol(), post.title};
    return post;
}

AlertPost thermalWarning()
{
    AlertPost post;
    post.kind = "keepAwake.thermal";
    post.title = "Your Mac is getting hot";
    post.body = "Keep awake stops if it gets critical. A closed lid cools less — keep it on a desk.";
    post.card = card("thermometer.high", "Keep awake", post.title);
    post.ear = EarPayload{"thermometer.high", post.title};
    return post;
}

}  // namespace KeepAwakeEvents

bool ThermalWarning::update(ThermalLevel level, bool holding)
{
    if (level <= ThermalLevel::fair) {
        warned = false;
        return false;
    }
    if (!holding || warned)
        return false;
    warned = true;
    return true;
}

}  // namespace corvane
