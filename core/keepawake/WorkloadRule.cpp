#include "core/keepawake/WorkloadRule.h"

#include <cmath>

#include "core/base/JsonStore.h"
#include "core/keepawake/KeepAwakeText.h"

namespace corvane {

bool WorkloadRule::isValid(std::string_view match)
{
    if (KeepAwakeText::trimmed(match).empty() || KeepAwakeText::characterCount(match) > maxMatchLength)
        return false;
    for (char c : match) {
        auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127)
            return false;
    }
    return true;
}

nlohmann::json WorkloadRule::toJson() const
{
    return {{"kind", std::string(rawValue(kind))}, {"match", match}, {"minCPU", minCPU}};
}

std::optional<WorkloadRule> WorkloadRule::fromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto kind = json.find("kind");
    auto match = json.find("match");
    auto minCPU = json.find("minCPU");
    if (kind == json.end() || !kind->is_string() || match == json.end() || !match->is_string()
        || minCPU == json.end() || !minCPU->is_number())
        return std::nullopt;
    auto parsedKind = fromRawValue<WorkloadKind>(kind->get<std::string>());
    double cpu = minCPU->get<double>();
    if (!parsedKind || !std::isfinite(cpu))
        return std::nullopt;
    return WorkloadRule{*parsedKind, match->get<std::string>(), cpu};
}

std::vector<WorkloadRule> WorkloadRule::listFromJson(const nlohmann::json& json)
{
    return decodeLossy<WorkloadRule>(json, fromJson);
}

nlohmann::json WorkloadRule::listToJson(const std::vector<WorkloadRule>& rules)
{
    nlohmann::json list = nlohmann::json::array();
    for (const WorkloadRule& rule : rules)
        list.push_back(rule.toJson());
    return list;
}

std::ostream& operator<<(std::ostream& out, const WorkloadRule& rule)
{
    return out << "WorkloadRule{" << rawValue(rule.kind) << ", \"" << rule.match << "\", " << rule.minCPU << "%}";
}

std::ostream& operator<<(std::ostream& out, const Workload& workload)
{
    out << "Workload{pid " << workload.pid << ", " << rawValue(workload.kind) << " \"" << workload.label << "\"";
    if (workload.cwd)
        out << ", in " << *workload.cwd;
    if (workload.started)
        out << ", since " << iso8601(*workload.started);
    return out << "}";
}

}  // namespace corvane
