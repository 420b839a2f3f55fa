#include "core/notch/InboxFilter.h"

#include "core/base/Ascii.h"
#include "core/notch/ModuleCatalog.h"

namespace corvane {

namespace InboxCategories {

InboxCategory of(std::string_view moduleID)
{
    if (moduleID == "ai")
        return InboxCategory::agents;
    if (moduleID == "toolbox")
        return InboxCategory::dev;
    const ModuleDescriptor* module = ModuleCatalog::descriptor(moduleID);
    return module != nullptr && module->group == ModuleGroup::dev ? InboxCategory::dev : InboxCategory::system;
}

}  // namespace InboxCategories

namespace InboxFilters {

std::string_view displayName(InboxFilter filter)
{
    switch (filter) {
    case InboxFilter::all: return "All";
    case InboxFilter::needsAction: return "Needs action";
    case InboxFilter::agents: return "Agents";
    case InboxFilter::dev: return "Dev";
    case InboxFilter::system: return "System";
    }
    return {};
}

int count(InboxFilter filter, const InboxCounts& counts)
{
    switch (filter) {
    case InboxFilter::all: return counts.all;
    case InboxFilter::needsAction: return counts.needsAction;
    case InboxFilter::agents: return counts.agents;
    case InboxFilter::dev: return counts.dev;
    case InboxFilter::system: return counts.system;
    }
    return 0;
}

std::string chipTitle(InboxFilter filter, const InboxCounts& counts)
{
    return std::string(displayName(filter)) + " " + std::to_string(count(filter, counts));
}

std::vector<InboxFilter> visible(const InboxCounts& counts)
{
    std::vector<InboxFilter> out;
    for (InboxFilter filter : order) {
        if (filter == InboxFilter::all || count(filter, counts) >= 1)
            out.push_back(filter);
    }
    return out;
}

InboxFilter effective(InboxFilter chosen, const InboxCounts& counts)
{
    return count(chosen, counts) >= 1 ? chosen : InboxFilter::all;
}

std::string clearTitle(InboxFilter filter)
{
    if (filter == InboxFilter::all)
        return "Clear all";
    return "Clear " + asciiLowercased(displayName(filter));
}

std::optional<InboxCategory> category(InboxFilter filter)
{
    switch (filter) {
    case InboxFilter::agents: return InboxCategory::agents;
    case InboxFilter::dev: return InboxCategory::dev;
    case InboxFilter::system: return InboxCategory::system;
    case InboxFilter::all:
    case InboxFilter::needsAction: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace InboxFilters

}  // namespace corvane
