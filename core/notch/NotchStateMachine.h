#pragma once
// What one notch window shows: nothing, the ears, or the expanded panel. It
// opens on a pointer dwell, a click or a drag and closes some time after
// the pointer left. Pure: events in, timer effects out; the owner runs the
// timers (NotchDriver) and feeds their expiry back as events.

#include <iosfwd>
#include <vector>

namespace corvane {

enum class NotchPresentation { closed, ears, expanded };

struct NotchEvent {
    enum class Type {
        activityChanged,  // `flag`: whether any activity owns the ears
        pin,              // `flag`: pinned or released
        alertChanged,     // `flag`: whether an alert is showing
        hoverEnter,
        hoverExit,
        dwellElapsed,
        collapseElapsed,
        click,
        escape,
        dragEnter,
        dragExit,
    };
    Type type;
    bool flag = false;

    static NotchEvent activityChanged(bool hasActivity) { return {Type::activityChanged, hasActivity}; }
    static NotchEvent pin(bool pinned) { return {Type::pin, pinned}; }
    static NotchEvent alertChanged(bool showing) { return {Type::alertChanged, showing}; }
    static NotchEvent hoverEnter() { return {Type::hoverEnter}; }
    static NotchEvent hoverExit() { return {Type::hoverExit}; }
    static NotchEvent dwellElapsed() { return {Type::dwellElapsed}; }
    static NotchEvent collapseElapsed() { return {Type::collapseElapsed}; }
    static NotchEvent click() { return {Type::click}; }
    static NotchEvent escape() { return {Type::escape}; }
    static NotchEvent dragEnter() { return {Type::dragEnter}; }
    static NotchEvent dragExit() { return {Type::dragExit}; }

    bool operator==(const NotchEvent&) const = default;
};

enum class NotchEffect { startDwellTimer, cancelDwellTimer, startCollapseTimer, cancelCollapseTimer };

std::ostream& operator<<(std::ostream& out, NotchPresentation presentation);
std::ostream& operator<<(std::ostream& out, NotchEffect effect);

struct NotchStateMachine {
    NotchPresentation presentation = NotchPresentation::closed;
    bool openOnHover = true;  // follows "general.openOnHover"
    bool hovering = false;
    bool dwellPending = false;
    bool collapsePending = false;
    bool dragging = false;
    bool pinned = false;
    bool hasActivity = false;
    bool alertShowing = false;

    std::vector<NotchEffect> handle(const NotchEvent& event);
    // Unpins without effects, for an owner that handles the leaving itself.
    void releasePin() { pinned = false; }

    bool operator==(const NotchStateMachine&) const = default;

private:
    // Ears while an activity owns them, else closed.
    NotchPresentation rest() const { return hasActivity ? NotchPresentation::ears : NotchPresentation::closed; }
    // Starts the collapse when the pointer is away from the expanded panel.
    std::vector<NotchEffect> afterLeaving();
};

}  // namespace corvane
