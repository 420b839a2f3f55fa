#include "core/notch/NotchStateMachine.h"

#include <ostream>

namespace corvane {

std::vector<NotchEffect> NotchStateMachine::afterLeaving()
{
    if (hovering || presentation != NotchPresentation::expanded)
        return {};
    collapsePending = true;
    return {NotchEffect::startCollapseTimer};
}

std::vector<NotchEffect> NotchStateMachine::handle(const NotchEvent& event)
{
    using T = NotchEvent::Type;
    std::vector<NotchEffect> effects;
    switch (event.type) {
    case T::activityChanged:
        hasActivity = event.flag;
        if (presentation != NotchPresentation::expanded)
            presentation = rest();
        break;
    case T::pin:
        pinned = event.flag;
        if (!pinned)
            return afterLeaving();
        if (collapsePending) {
            collapsePending = false;
            effects.push_back(NotchEffect::cancelCollapseTimer);
        }
        break;
    case T::alertChanged:
        alertShowing = event.flag;
        // An alert takes the space a dwell would open.
        if (alertShowing && dwellPending) {
            dwellPending = false;
            effects.push_back(NotchEffect::cancelDwellTimer);
        }
        break;
    case T::hoverEnter:
        hovering = true;
        if (collapsePending) {
            collapsePending = false;
            effects.push_back(NotchEffect::cancelCollapseTimer);
        }
        if (presentation != NotchPresentation::expanded && openOnHover && !alertShowing) {
            dwellPending = true;
            effects.push_back(NotchEffect::startDwellTimer);
        }
        break;
    case T::hoverExit:
        hovering = false;
        if (dwellPending) {
            dwellPending = false;
            effects.push_back(NotchEffect::cancelDwellTimer);
        }
        if (presentation == NotchPresentation::expanded && !pinned) {
            collapsePending = true;
            effects.push_back(NotchEffect::startCollapseTimer);
        }
        break;
    case T::dwellElapsed:
        if (dwellPending && hovering) {
            dwellPending = false;
            presentation = NotchPresentation::expanded;
        }
        break;
    case T::collapseElapsed: {
        bool wasPending = collapsePending;
        collapsePending = false;
        if (wasPending && !hovering && !dragging && !pinned)
            presentation = rest();
        break;
    }
    case T::click:
        presentation = presentation == NotchPresentation::expanded ? rest() : NotchPresentation::expanded;
        break;
    case T::escape:
        presentation = rest();
        break;
    case T::dragEnter:
        dragging = true;
        presentation = NotchPresentation::expanded;
        break;
    case T::dragExit:
        dragging = false;
        return afterLeaving();
    }
    return effects;
}

std::ostream& operator<<(std::ostream& out, NotchPresentation presentation)
{
    switch (presentation) {
    case NotchPresentation::closed: return out << "closed";
    case NotchPresentation::ears: return out << "ears";
    case NotchPresentation::expanded: return out << "expanded";
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, NotchEffect effect)
{
    switch (effect) {
    case NotchEffect::startDwellTimer: return out << "startDwellTimer";
    case NotchEffect::cancelDwellTimer: return out << "cancelDwellTimer";
    case NotchEffect::startCollapseTimer: return out << "startCollapseTimer";
    case NotchEffect::cancelCollapseTimer: return out << "cancelCollapseTimer";
    }
    return out;
}

}  // namespace corvane
