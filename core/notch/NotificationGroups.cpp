#include "core/notch/NotificationGroups.h"

#include <map>

#include "core/notch/ModuleCatalog.h"

namespace corvane::NotificationGroups {

std::string appName(const AlertRecord& record)
{
    std::optional<Brand> brand = record.brand();
    // Claude's agent alerts come from Claude Code, not from the model.
    if (record.kind.starts_with("ai.") && brand == Brand::claude)
        return "Claude Code";
    if (brand)
        return std::string(title(*brand));
    if (const ModuleDescriptor* module = ModuleCatalog::descriptor(record.moduleID))
        return module->title;
    return record.moduleID;
}

namespace {

std::string sourceKey(const AlertRecord& record)
{
    if (auto brand = record.brand())
        return "brand:" + std::string(rawValue(*brand));
    return "tool:" + record.moduleID;
}

std::string groupKey(NotificationGrouping grouping, const AlertRecord& record)
{
    switch (grouping) {
    case NotificationGrouping::automatic: return sourceKey(record) + "/" + record.kind;
    case NotificationGrouping::byApp: return sourceKey(record);
    case NotificationGrouping::off: return record.id.string();
    }
    return record.id.string();
}

}  // namespace

std::vector<NotificationGroup> groups(NotificationGrouping grouping, const std::vector<AlertRecord>& records,
                                      std::string_view scope, const IsTimeSensitive& isTimeSensitive)
{
    std::vector<NotificationGroup> alone;
    std::vector<NotificationGroup> stacked;
    std::map<std::string, std::size_t> stackIndex;
    std::string prefix = std::string(scope) + "|";
    for (const AlertRecord& record : records) {
        if (isTimeSensitive(record.kind)) {
            alone.push_back({prefix + "ts:" + record.id.string(), appName(record), {record}, true});
            continue;
        }
        std::string key = groupKey(grouping, record);
        auto [found, inserted] = stackIndex.try_emplace(key, stacked.size());
        if (inserted)
            stacked.push_back({prefix + std::string(rawValue(grouping)) + ":" + key, appName(record), {}, false});
        stacked[found->second].records.push_back(record);
    }
    alone.insert(alone.end(), std::make_move_iterator(stacked.begin()), std::make_move_iterator(stacked.end()));
    return alone;
}

}  // namespace corvane::NotificationGroups
