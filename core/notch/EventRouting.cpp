#include "core/notch/EventRouting.h"

namespace corvane::EventRouting {

EventEffects effects(const EventDecision& decision, bool keepsHistory)
{
    if (decision.as<EventDecision::Drop>())
        return {};
    EventEffects out;
    if (decision.as<EventDecision::Coalesce>())
        out = {EventEffect::update, EventEffect::deliverExternal};
    else if (decision.as<EventDecision::Show>())
        out = {EventEffect::present, EventEffect::deliverExternal};
    if (keepsHistory)
        out.insert(EventEffect::record);
    return out;
}

}  // namespace corvane::EventRouting
