#include "core/agents/InstallRecord.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace corvane {

InstallRecord InstallRecord::merged(const InstallRecord& previous) const
{
    InstallRecord result = previous;
    for (const std::string& entry : created)
        if (std::find(result.created.begin(), result.created.end(), entry) == result.created.end())
            result.created.push_back(entry);
    // An earlier value wins: it is what the user had before the first install.
    for (const auto& [path, raw] : replacedRaw)
        result.replacedRaw.emplace(path, raw);
    return result;
}

void to_json(nlohmann::json& json, const InstallRecord& record)
{
    json = nlohmann::json{{"createdFile", record.createdFile},
                          {"created", record.created},
                          {"replacedRaw", record.replacedRaw}};
}

void from_json(const nlohmann::json& json, InstallRecord& record)
{
    record = {};
    record.createdFile = json.value("createdFile", false);
    if (auto it = json.find("created"); it != json.end() && it->is_array())
        for (const auto& entry : *it)
            if (entry.is_string())
                record.created.push_back(entry.get<std::string>());
    if (auto it = json.find("replacedRaw"); it != json.end() && it->is_object())
        for (const auto& [path, raw] : it->items())
            if (raw.is_string())
                record.replacedRaw.emplace(path, raw.get<std::string>());
}

const char* rawValue(ConnectionStatus::State state)
{
    switch (state) {
    case ConnectionStatus::State::connected: return "connected";
    case ConnectionStatus::State::missing: return "missing";
    case ConnectionStatus::State::outdated: return "outdated";
    case ConnectionStatus::State::edited: return "edited";
    case ConnectionStatus::State::disconnected: return "disconnected";
    case ConnectionStatus::State::unavailable: return "unavailable";
    }
    return "missing";
}

Error integrationRefusal(std::string sentence)
{
    return Error::make(Error::Code::Invalid, "edit", std::move(sentence));
}

std::optional<std::string> IntegrationEnv::variable(const std::string& name) const
{
    auto it = environment.find(name);
    if (it == environment.end() || it->second.empty())
        return std::nullopt;
    return it->second;
}

}  // namespace corvane
