#pragma once
// One billed model call as read from an agent's transcript. `id` is the key
// the usage store de-duplicates by, so re-reading a transcript never counts
// a call twice.

#include <iosfwd>
#include <optional>
#include <string>

#include "core/agents/AgentKind.h"
#include "core/agents/TokenUsage.h"
#include "core/base/JsonStore.h"
#include "core/base/Time.h"

namespace corvane {

struct UsageRecord {
    std::string id;
    AgentKind agent = AgentKind::claudeCode;
    std::string model;                   // as the agent reported it
    WallTime timestamp = WallTime::distantPast();  // from the transcript line, never the file's time
    std::string sessionID;
    std::optional<std::string> project;  // the project folder's last path component
    TokenUsage usage;

    bool operator==(const UsageRecord&) const = default;

    Json toJson() const;
    // Nothing when a required field is missing or of the wrong type, or the
    // agent is unknown.
    static std::optional<UsageRecord> fromJson(const Json& json);
};

std::ostream& operator<<(std::ostream& out, const UsageRecord& record);

}  // namespace corvane
