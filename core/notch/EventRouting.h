#pragma once
// What happens to an event once decided: remembered in the history, shown
// or updated in the notch, delivered outside (system notification, phone).

#include <set>

#include "core/notch/EventPolicy.h"

namespace corvane {

enum class EventEffect { record, present, update, deliverExternal };

using EventEffects = std::set<EventEffect>;

namespace EventRouting {

EventEffects effects(const EventDecision& decision, bool keepsHistory);

}  // namespace EventRouting

}  // namespace corvane
