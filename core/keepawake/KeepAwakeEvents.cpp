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

AlertPost post(std::string_view kind, std::string title, std::string body)
{
    AlertPost made;
    made.kind = std::string(kind);
    made.title = std::move(title);
    made.body = std::move(body);
    return made;
}

}  // namespace

AlertPost ended()
{
    return post("keepAwake.ended", "Keep Awake ended", "Your computer can sleep again.");
}

AlertPost workDone()
{
    return post("keepAwake.workDone", "Work done", "Nothing is running anymore — your computer can sleep.");
}

AlertPost guardedStop(const StopCause& cause)
{
    AlertPost stopped = std::visit(Overloaded{
        [](const StopCause::Battery& battery) {
            return post("keepAwake.battery", "Battery low",
                        battery.percent
                            ? fmt::format("Keep awake stopped at {}% so your computer can sleep safely.", *battery.percent)
                            : "Keep awake stopped so your computer can sleep safely.");
        },
        [](const StopCause::Unplugged&) {
            return post("keepAwake.battery", "Unplugged", "Lid-closed running is set to charging only.");
        },
        [](const StopCause::Thermal&) {
            return post("keepAwake.thermal", "Too hot", "Keep awake stopped to protect your computer.");
        },
        [](const StopCause::Deadline&) {
            return post("keepAwake.ended", "Time's up", "Keep awake reached its longest run.");
        },
        [](const StopCause::HelperFailed&) {
            return post("keepAwake.ended", "Lid setting lost",
                        "The system didn't keep the lid-closed setting; your computer sleeps normally.");
        },
    }, cause.value);
    stopped.card = card("exclamationmark.shield.fill", stopped.title, "Keep awake stopped");
    stopped.ear = EarPayload{cause.symbol(), stopped.title};
    return stopped;
}

AlertPost thermalWarning()
{
    AlertPost warning = post("keepAwake.thermal", "Your computer is getting hot",
                             "Keep awake stops if it gets critical. A closed lid cools less — keep it on a desk.");
    warning.card = card("thermometer.high", "Keep awake", warning.title);
    warning.ear = EarPayload{"thermometer.high", warning.title};
    return warning;
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
