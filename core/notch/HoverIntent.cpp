#include "core/notch/HoverIntent.h"

namespace corvane {

namespace {

// Tolerates the rounding of timers that fire a hair early.
constexpr double epsilon = 0.000001;

}  // namespace

void HoverIntent::enter(const std::string& anchor, double at)
{
    if (std::holds_alternative<Suppressed>(phase))
        return;
    if (std::holds_alternative<Shown>(phase) || std::holds_alternative<Closing>(phase) || delay <= 0)
        phase = Shown{anchor};
    else
        phase = Pending{anchor, at};
}

void HoverIntent::leave(double at)
{
    if (std::holds_alternative<Pending>(phase) || std::holds_alternative<Suppressed>(phase)) {
        phase = Idle{};
    } else if (const auto* shown = std::get_if<Shown>(&phase)) {
        if (grace > 0)
            phase = Closing{shown->anchor, at};
        else
            phase = Idle{};
    }
}

void HoverIntent::tick(double at)
{
    if (const auto* pending = std::get_if<Pending>(&phase)) {
        if (at - pending->since >= delay - epsilon)
            phase = Shown{pending->anchor};
    } else if (const auto* closing = std::get_if<Closing>(&phase)) {
        if (at - closing->since >= grace - epsilon)
            phase = Idle{};
    }
}

std::optional<std::string> HoverIntent::visibleAnchor() const
{
    if (const auto* shown = std::get_if<Shown>(&phase))
        return shown->anchor;
    if (const auto* closing = std::get_if<Closing>(&phase))
        return closing->anchor;
    return std::nullopt;
}

std::optional<double> HoverIntent::nextDeadline() const
{
    if (const auto* pending = std::get_if<Pending>(&phase))
        return pending->since + delay;
    if (const auto* closing = std::get_if<Closing>(&phase))
        return closing->since + grace;
    return std::nullopt;
}

}  // namespace corvane
