#pragma once
// The context menu of a dock item: move it left or right, choose where it
// lives, or edit the whole dock.

#include <vector>

#include "core/notch/DockLayout.h"

namespace corvane {

namespace DockMenu {

struct Action {
    enum class Type { moveLeft, moveRight, place, editDock };
    Type type;
    bool enabled = true;
    DockLayout::Placement placement = DockLayout::Placement::dock;  // for `place`

    static Action moveLeft(bool enabled) { return {Type::moveLeft, enabled}; }
    static Action moveRight(bool enabled) { return {Type::moveRight, enabled}; }
    static Action place(DockLayout::Placement placement) { return {Type::place, true, placement}; }
    static Action editDock() { return {Type::editDock}; }

    bool operator==(const Action&) const = default;
};

// Move left and right (disabled at the ends), the placements the surface
// may take, and edit dock.
inline std::vector<Action> actions(Surface surface, const DockLayout& layout)
{
    using P = DockLayout::Placement;
    std::vector<Action> out{Action::moveLeft(layout.canMove(surface, -1)), Action::moveRight(layout.canMove(surface, 1)),
                            Action::place(P::dock)};
    if (DockLayout::mayOverflow(surface))
        out.push_back(Action::place(P::overflow));
    out.push_back(Action::place(P::off));
    out.push_back(Action::editDock());
    return out;
}

}  // namespace DockMenu

}  // namespace corvane
