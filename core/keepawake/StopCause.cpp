#include "core/keepawake/StopCause.h"

#include <fmt/format.h>

#include "core/keepawake/Overloaded.h"

namespace corvane {

std::optional<StopCause> StopCause::from(LidStopReason reason, std::optional<int> batteryPercent)
{
    switch (reason) {
    case LidStopReason::released:
    case LidStopReason::connectionLost:
    case LidStopReason::launchCleanup:
    case LidStopReason::shutdown: return std::nullopt;
    case LidStopReason::leaseLapsed:
    case LidStopReason::failed: return helperFailed();
    case LidStopReason::deadline: return deadline();
    case LidStopReason::battery: return battery(batteryPercent);
    case LidStopReason::thermal: return thermal();
    }
    return std::nullopt;
}

StopCause StopCause::from(StopReason reason, std::optional<int> batteryPercent)
{
    switch (reason) {
    case StopReason::thermal: return thermal();
    case StopReason::battery: return battery(batteryPercent);
    case StopReason::unplugged: return unplugged();
    case StopReason::deadline: return deadline();
    }
    return deadline();
}

std::string StopCause::shortText() const
{
    return std::visit(Overloaded{
        [](const Battery& battery) {
            return battery.percent ? fmt::format("battery {}%", *battery.percent) : std::string("battery low");
        },
        [](const Thermal&) { return std::string("too hot"); },
        [](const Deadline&) { return std::string("time's up"); },
        [](const Unplugged&) { return std::string("unplugged"); },
        [](const HelperFailed&) { return std::string("helper"); },
    }, value);
}

std::string StopCause::symbol() const
{
    return std::visit(Overloaded{
        [](const Battery&) { return "battery.25"; },
        [](const Thermal&) { return "thermometer.high"; },
        [](const Deadline&) { return "timer"; },
        [](const Unplugged&) { return "powerplug"; },
        [](const HelperFailed&) { return "exclamationmark.triangle"; },
    }, value);
}

std::ostream& operator<<(std::ostream& out, const StopCause& cause)
{
    return out << "StopCause{" << cause.shortText() << "}";
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeStop& stop)
{
    out << "KeepAwakeStop{" << stop.cause << " at " << iso8601(stop.at);
    if (stop.who)
        out << ", " << *stop.who << " working";
    return out << (stop.lidClosed ? ", lid closed}" : "}");
}

}  // namespace corvane
