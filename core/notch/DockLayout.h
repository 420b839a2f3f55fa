#pragma once
// The dock that switches between the panel's surfaces: their order, which
// are hidden, and which sit behind the overflow item. Stored as the lists
// "notch.dockOrder", "notch.dockHidden" and "notch.dockOverflow" of surface
// raw values.
//
// Home never goes into the overflow: it is where the panel opens. And the
// dock always keeps one surface, so the last visible one cannot be hidden
// or moved away.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/notch/Surface.h"

namespace corvane {

class SettingsStore;

class DockLayout {
public:
    enum class Placement { dock, overflow, off };

    // Every surface in declaration order, none hidden or overflowing.
    DockLayout();
    // From the stored lists: unknown names are dropped, the order keeps the
    // first occurrence of each surface and then appends the missing ones in
    // declaration order; a surface both hidden and overflowing is hidden,
    // and surfaces that may not overflow are dropped from the overflow.
    static DockLayout fromStored(const std::vector<std::string>& order, const std::vector<std::string>& hidden,
                                 const std::vector<std::string>& overflow);
    static DockLayout from(SettingsStore& settings);
    // Writes the three lists back.
    void store(SettingsStore& settings) const;

    static bool mayOverflow(Surface surface) { return surface != Surface::home; }

    const std::vector<Surface>& order() const { return order_; }
    const std::set<Surface>& hidden() const { return hidden_; }
    const std::set<Surface>& overflowSet() const { return overflowSet_; }
    std::vector<std::string> rawOrder() const;
    std::vector<std::string> rawHidden() const;
    std::vector<std::string> rawOverflow() const;

    // The order without hidden and overflow surfaces.
    std::vector<Surface> visible() const;
    // The overflow surfaces in order.
    std::vector<Surface> overflow() const;
    bool showsOverflowItem() const { return !overflowSet_.empty(); }
    // The overflow menu stays open while the current surface is one of its
    // entries, so the user sees where they are.
    bool overflowStaysOpen(Surface current) const { return overflowSet_.contains(current); }

    Placement placement(Surface surface) const;
    // False when the placement is not allowed or nothing changed.
    bool set(Surface surface, Placement placement);

    // Moves a visible surface `by` places among the visible ones.
    bool canMove(Surface surface, int by) const;
    bool move(Surface surface, int by);

    // The surface of digit shortcut `n` (1 is the first visible surface).
    std::optional<Surface> surface(int forShortcut) const;
    // -1, 0 or 1: the direction a transition slides, by dock position
    // (visible surfaces, then the overflow, then hidden ones).
    int direction(Surface from, Surface to) const;

    bool operator==(const DockLayout&) const = default;

private:
    // The members of `surfaces` in dock order; stored lists keep it too.
    std::vector<Surface> inOrder(const std::set<Surface>& surfaces) const;
    std::size_t position(Surface surface) const;

    std::vector<Surface> order_;
    std::set<Surface> hidden_;
    std::set<Surface> overflowSet_;
};

}  // namespace corvane
