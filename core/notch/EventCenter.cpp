#include "core/notch/EventCenter.h"

namespace corvane {

EventCenter::Decided EventCenter::decide(const AppEvent& event, std::optional<double> callerDuration)
{
    if (earUntil_ && event.date >= *earUntil_)
        didHide();
    EventSettings settings = eventSettings(settings_, event.kind, callerDuration);
    return {EventPolicy::decide(event, state_, settings, event.date), settings};
}

void EventCenter::didShow(const AppEvent& event, EventStyle style, double duration)
{
    state_.didShow(event);
    visibleStyle_ = style;
    // A card runs its own countdown and reports when it goes.
    if (style == EventStyle::ear)
        earUntil_ = event.date.plusSeconds(duration);
    else
        earUntil_.reset();
}

int EventCenter::didCoalesce(const AppEvent& event, double duration)
{
    int count = state_.didCoalesce(event);
    if (visibleStyle_ == EventStyle::ear)
        earUntil_ = event.date.plusSeconds(duration);
    return count;
}

void EventCenter::didHide()
{
    state_.didHide();
    earUntil_.reset();
    visibleStyle_.reset();
}

}  // namespace corvane
