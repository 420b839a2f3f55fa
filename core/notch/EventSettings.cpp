#include "core/notch/EventSettings.h"

#include <algorithm>
#include <cmath>

#include "core/notch/EventCatalog.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace {

EventStyle effectiveStyle(SettingsStore& store, const EventKindSpec& spec)
{
    auto perKind = AlertSwitch::style(spec.id, spec.defaultStyle);
    if (store.hasValue(perKind))
        return store.get(perKind);
    if (store.hasValue(Keys::alertStyle) && store.get(Keys::alertStyle) == AlertStyle::ears)
        return EventStyle::ear;
    return spec.defaultStyle;
}

double effectiveDuration(SettingsStore& store, const EventKindSpec& spec, std::optional<double> callerDuration)
{
    // The kinds that use the standard 6 s follow the global duration instead.
    double fallback = spec.defaultDuration == 6.0 ? store.get(Keys::alertDuration) : spec.defaultDuration;
    auto perKind = AlertSwitch::durationSec(spec.id, fallback);
    double duration = fallback;
    if (store.hasValue(perKind))
        duration = store.get(perKind);
    else if (callerDuration && !std::isnan(*callerDuration))
        duration = *callerDuration;
    if (std::isnan(duration))
        duration = fallback;
    return std::clamp(duration, minimumEventDuration, maximumEventDuration);
}

}  // namespace

EventSettings eventSettings(SettingsStore& store, std::string_view kind, std::optional<double> callerDuration)
{
    EventKindSpec spec = EventCatalog::spec(kind);
    EventSettings out;
    out.enabled = store.alertEnabled(kind);
    out.style = effectiveStyle(store, spec);
    out.duration = effectiveDuration(store, spec, callerDuration);
    out.timeSensitive = isTimeSensitive(store, kind);
    out.rateLimit = store.get(AlertSwitch::rateLimitSec(kind, spec.rateLimit));
    out.coalesceWindow = store.hasValue(Keys::eventsCoalesceSec) ? store.get(Keys::eventsCoalesceSec) : spec.coalesceWindow;
    out.copyMode = store.get(Keys::copyToastMode);
    out.quietSilences = store.get(Keys::respectFocus);
    out.quietOn = store.get(Keys::quietMode);
    return out;
}

bool isTimeSensitive(SettingsStore& store, std::string_view kind)
{
    return store.get(AlertSwitch::timeSensitive(kind, EventCatalog::spec(kind).timeSensitive));
}

EventLook eventLook(SettingsStore& store, std::string_view kind, bool petCan)
{
    EventKindSpec spec = EventCatalog::spec(kind);
    EventLook base = effectiveStyle(store, spec) == EventStyle::card ? EventLook::card : EventLook::ear;
    if (!petCan)
        return base;
    switch (store.get(AlertSwitch::petRoute(kind))) {
    case PetRoute::notch:
        return base;
    case PetRoute::pet:
        return EventLook::pet;
    case PetRoute::both:
        return EventLook::both;
    }
    return base;
}

void setEventLook(SettingsStore& store, std::string_view kind, EventLook look, bool petCan)
{
    switch (look) {
    case EventLook::ear:
    case EventLook::card:
        store.set(AlertSwitch::style(kind, EventCatalog::spec(kind).defaultStyle),
                  look == EventLook::ear ? EventStyle::ear : EventStyle::card);
        if (petCan)
            store.set(AlertSwitch::petRoute(kind), PetRoute::notch);
        return;
    case EventLook::pet:
        store.set(AlertSwitch::petRoute(kind), PetRoute::pet);
        return;
    case EventLook::both:
        store.set(AlertSwitch::petRoute(kind), PetRoute::both);
        return;
    }
}

}  // namespace corvane
