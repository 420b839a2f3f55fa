#pragma once
// The filter chips of the Notifications inbox and the counts they show.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"

namespace corvane {

enum class InboxCategory { agents, dev, system };

template <>
struct EnumCases<InboxCategory> {
    static constexpr std::array cases{
        std::pair{InboxCategory::agents, std::string_view("agents")},
        std::pair{InboxCategory::dev, std::string_view("dev")},
        std::pair{InboxCategory::system, std::string_view("system")},
    };
};

namespace InboxCategories {

// "ai" is agents and "toolbox" dev; any other module by its catalogue
// group: dev when the group is dev, else system (also for unknown modules).
InboxCategory of(std::string_view moduleID);

}  // namespace InboxCategories

struct InboxCounts {
    int all = 0;
    int needsAction = 0;
    int agents = 0;
    int dev = 0;
    int system = 0;

    bool operator==(const InboxCounts&) const = default;
};

enum class InboxFilter { all, needsAction, agents, dev, system };

namespace InboxFilters {

// In chip order.
inline constexpr InboxFilter order[] = {InboxFilter::all, InboxFilter::needsAction, InboxFilter::agents,
                                        InboxFilter::dev, InboxFilter::system};

// "All", "Needs action", "Agents", "Dev", "System"
std::string_view displayName(InboxFilter filter);
int count(InboxFilter filter, const InboxCounts& counts);
// "All 12", "Needs action 3"
std::string chipTitle(InboxFilter filter, const InboxCounts& counts);
// `all` always, the others only while they count at least one.
std::vector<InboxFilter> visible(const InboxCounts& counts);
// The chosen filter, or `all` once the chosen one has nothing left.
InboxFilter effective(InboxFilter chosen, const InboxCounts& counts);
// "Clear all", "Clear needs action", "Clear dev"
std::string clearTitle(InboxFilter filter);
// The category a filter selects; none for `all` and `needsAction`.
std::optional<InboxCategory> category(InboxFilter filter);

}  // namespace InboxFilters

}  // namespace corvane
