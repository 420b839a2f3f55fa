#pragma once
// How the inbox stacks related alerts under the "alerts.grouping" setting.
// A time-sensitive alert always stands alone and comes first.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/notch/AlertRecord.h"
#include "core/notch/AlertStyles.h"

namespace corvane {

// The effective time-sensitivity of a kind (per-kind setting over the
// kind's default), computed by the event settings.
using IsTimeSensitive = std::function<bool(std::string_view kind)>;

struct NotificationGroup {
    std::string id;
    std::string title;
    std::vector<AlertRecord> records;  // newest first
    bool timeSensitive = false;

    bool operator==(const NotificationGroup&) const = default;
};

namespace NotificationGroups {

// The display name of an alert's source: "Claude Code" for Claude's agent
// alerts, else the brand's title, else the module's title, else the module id.
std::string appName(const AlertRecord& record);

// Groups `records` (newest first) within `scope`, a section id. Group ids:
// scope + "|ts:" + record id for time-sensitive alerts; scope + "|" +
// grouping + ":" + key for the rest.
std::vector<NotificationGroup> groups(NotificationGrouping grouping, const std::vector<AlertRecord>& records,
                                      std::string_view scope, const IsTimeSensitive& isTimeSensitive);

}  // namespace NotificationGroups

}  // namespace corvane
