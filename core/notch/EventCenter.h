#pragma once
// The owner of one notch's event state on the main thread: it asks the
// policy about each event with the settings of the moment, and remembers
// what is on screen and until when an ear stays up.

#include <optional>

#include "core/base/Time.h"
#include "core/notch/AlertStyles.h"
#include "core/notch/AppEvent.h"
#include "core/notch/EventPolicy.h"
#include "core/notch/EventSettings.h"

namespace corvane {

class SettingsStore;

class EventCenter {
public:
    explicit EventCenter(SettingsStore& settings) : settings_(settings) {}

    struct Decided {
        EventDecision decision;
        EventSettings settings;  // what the decision was made with
    };

    const EventState& state() const { return state_; }
    std::optional<WallTime> earUntil() const { return earUntil_; }
    std::optional<EventStyle> visibleStyle() const { return visibleStyle_; }

    // An ear whose time ran out by the event's date no longer counts as visible.
    Decided decide(const AppEvent& event, std::optional<double> callerDuration);
    // The event went on screen as `style` for `duration` seconds.
    void didShow(const AppEvent& event, EventStyle style, double duration);
    // A repeat folded into the visible alert; a visible ear gets `duration`
    // more seconds from the repeat. Returns the repeat count to show.
    int didCoalesce(const AppEvent& event, double duration);
    // The visible card was closed or ran out.
    void didHide();

private:
    SettingsStore& settings_;
    EventState state_;
    std::optional<WallTime> earUntil_;
    std::optional<EventStyle> visibleStyle_;
};

}  // namespace corvane
