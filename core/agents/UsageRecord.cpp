#include "core/agents/UsageRecord.h"

#include <ostream>

namespace corvane {

namespace {

std::optional<std::string> stringField(const Json& json, const char* key)
{
    auto found = json.find(key);
    if (found == json.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

Json UsageRecord::toJson() const
{
    Json json = {
        {"id", id},
        {"agent", rawValue(agent)},
        {"model", model},
        {"timestamp", corvane::toJson(timestamp)},
        {"sessionID", sessionID},
    };
    if (project)
        json["project"] = *project;
    json["usage"] = usage.toJson();
    return json;
}

std::optional<UsageRecord> UsageRecord::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto id = stringField(json, "id");
    auto agentRaw = stringField(json, "agent");
    auto agent = agentRaw ? fromRawValue<AgentKind>(*agentRaw) : std::nullopt;
    auto model = stringField(json, "model");
    auto timestamp = json.contains("timestamp") ? wallTimeFromJson(json["timestamp"]) : std::nullopt;
    auto sessionID = stringField(json, "sessionID");
    auto usage = json.contains("usage") ? TokenUsage::fromJson(json["usage"]) : std::nullopt;
    if (!id || !agent || !model || !timestamp || !sessionID || !usage)
        return std::nullopt;
    UsageRecord record{std::move(*id), *agent, std::move(*model), *timestamp, std::move(*sessionID), {}, *usage};
    auto project = json.find("project");
    if (project != json.end() && !project->is_null()) {
        if (!project->is_string())
            return std::nullopt;
        record.project = project->get<std::string>();
    }
    return record;
}

std::ostream& operator<<(std::ostream& out, const UsageRecord& record) { return out << record.toJson().dump(); }

}  // namespace corvane
