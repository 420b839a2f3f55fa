#include "core/notch/DockLayout.h"

#include <algorithm>

#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace {

std::set<Surface> surfacesNamed(const std::vector<std::string>& names)
{
    std::set<Surface> out;
    for (const auto& name : names) {
        if (auto surface = fromRawValue<Surface>(name))
            out.insert(*surface);
    }
    return out;
}

template <typename Surfaces>
std::vector<std::string> rawNames(const Surfaces& surfaces)
{
    std::vector<std::string> out;
    for (Surface surface : surfaces)
        out.emplace_back(rawValue(surface));
    return out;
}

}  // namespace

DockLayout::DockLayout()
{
    for (const auto& [surface, raw] : EnumCases<Surface>::cases)
        order_.push_back(surface);
}

DockLayout DockLayout::fromStored(const std::vector<std::string>& order, const std::vector<std::string>& hidden,
                                  const std::vector<std::string>& overflow)
{
    DockLayout layout;
    layout.order_.clear();
    for (const auto& name : order) {
        auto surface = fromRawValue<Surface>(name);
        if (surface && std::find(layout.order_.begin(), layout.order_.end(), *surface) == layout.order_.end())
            layout.order_.push_back(*surface);
    }
    for (const auto& [surface, raw] : EnumCases<Surface>::cases) {
        if (std::find(layout.order_.begin(), layout.order_.end(), surface) == layout.order_.end())
            layout.order_.push_back(surface);
    }
    layout.hidden_ = surfacesNamed(hidden);
    for (Surface surface : surfacesNamed(overflow)) {
        if (mayOverflow(surface) && !layout.hidden_.contains(surface))
            layout.overflowSet_.insert(surface);
    }
    return layout;
}

DockLayout DockLayout::from(SettingsStore& settings)
{
    return fromStored(settings.get(Keys::dockOrder), settings.get(Keys::dockHidden), settings.get(Keys::dockOverflow));
}

void DockLayout::store(SettingsStore& settings) const
{
    settings.set(Keys::dockOrder, rawOrder());
    settings.set(Keys::dockHidden, rawHidden());
    settings.set(Keys::dockOverflow, rawOverflow());
}

std::vector<std::string> DockLayout::rawOrder() const { return rawNames(order_); }

std::vector<std::string> DockLayout::rawHidden() const { return rawNames(inOrder(hidden_)); }

std::vector<std::string> DockLayout::rawOverflow() const { return rawNames(overflow()); }

std::vector<Surface> DockLayout::inOrder(const std::set<Surface>& surfaces) const
{
    std::vector<Surface> out;
    std::copy_if(order_.begin(), order_.end(), std::back_inserter(out),
                 [&](Surface surface) { return surfaces.contains(surface); });
    return out;
}

std::vector<Surface> DockLayout::visible() const
{
    std::vector<Surface> out;
    std::copy_if(order_.begin(), order_.end(), std::back_inserter(out), [this](Surface surface) {
        return !hidden_.contains(surface) && !overflowSet_.contains(surface);
    });
    return out;
}

std::vector<Surface> DockLayout::overflow() const { return inOrder(overflowSet_); }

DockLayout::Placement DockLayout::placement(Surface surface) const
{
    if (hidden_.contains(surface))
        return Placement::off;
    if (overflowSet_.contains(surface))
        return Placement::overflow;
    return Placement::dock;
}

bool DockLayout::set(Surface surface, Placement to)
{
    Placement from = placement(surface);
    if (from == to || (to == Placement::overflow && !mayOverflow(surface)))
        return false;
    if (from == Placement::dock && visible().size() == 1)
        return false;
    hidden_.erase(surface);
    overflowSet_.erase(surface);
    if (to == Placement::off)
        hidden_.insert(surface);
    else if (to == Placement::overflow)
        overflowSet_.insert(surface);
    return true;
}

bool DockLayout::canMove(Surface surface, int by) const
{
    auto shown = visible();
    auto found = std::find(shown.begin(), shown.end(), surface);
    if (found == shown.end() || by == 0)
        return false;
    auto target = (found - shown.begin()) + by;
    return target >= 0 && target < static_cast<std::ptrdiff_t>(shown.size());
}

bool DockLayout::move(Surface surface, int by)
{
    if (!canMove(surface, by))
        return false;
    auto shown = visible();
    auto index = std::find(shown.begin(), shown.end(), surface) - shown.begin();
    Surface target = shown[static_cast<std::size_t>(index + by)];
    order_.erase(std::find(order_.begin(), order_.end(), surface));
    auto at = std::find(order_.begin(), order_.end(), target);
    order_.insert(by > 0 ? at + 1 : at, surface);
    return true;
}

std::optional<Surface> DockLayout::surface(int forShortcut) const
{
    auto shown = visible();
    if (forShortcut < 1 || forShortcut > static_cast<int>(shown.size()))
        return std::nullopt;
    return shown[static_cast<std::size_t>(forShortcut - 1)];
}

std::size_t DockLayout::position(Surface surface) const
{
    std::vector<Surface> sequence = visible();
    auto more = overflow();
    sequence.insert(sequence.end(), more.begin(), more.end());
    auto off = inOrder(hidden_);
    sequence.insert(sequence.end(), off.begin(), off.end());
    return static_cast<std::size_t>(std::find(sequence.begin(), sequence.end(), surface) - sequence.begin());
}

int DockLayout::direction(Surface from, Surface to) const
{
    std::size_t a = position(from);
    std::size_t b = position(to);
    return a < b ? 1 : (a > b ? -1 : 0);
}

}  // namespace corvane
