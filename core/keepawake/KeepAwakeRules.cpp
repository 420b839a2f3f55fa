#include "core/keepawake/KeepAwakeRules.h"

#include <algorithm>

#include <fmt/format.h>

#include "core/base/Ascii.h"
#include "core/base/JsonStore.h"
#include "core/keepawake/KeepAwakeText.h"

namespace corvane {

namespace {

bool sameID(std::string_view a, std::string_view b)
{
    return asciiLowercased(a) == asciiLowercased(b);
}

void readSwitch(const nlohmann::json& json, const char* key, bool& into)
{
    auto found = json.find(key);
    if (found != json.end() && found->is_boolean())
        into = found->get<bool>();
}

}  // namespace

int KeepAwakeRules::onCount() const
{
    return int(agents) + int(apps) + int(power) + int(display);
}

std::string KeepAwakeRules::summary() const
{
    return fmt::format("{} of 4 rules on", onCount());
}

std::set<KeepAwakeRules::Source> KeepAwakeRules::sources(bool enabled, bool away) const
{
    std::set<Source> out;
    if (!enabled)
        return out;
    if (agents || away)
        out.insert(Source::workloadScan);
    if (apps && !appBundleIDs.empty())
        out.insert(Source::apps);
    // The guardrails need the battery whenever any rule can hold.
    if (onCount() > 0)
        out.insert(Source::powerSource);
    if (display)
        out.insert(Source::displays);
    return out;
}

KeepAwakeRules KeepAwakeRules::adding(std::string_view appID) const
{
    std::string_view id = KeepAwakeText::trimmed(appID);
    bool listed = std::any_of(appBundleIDs.begin(), appBundleIDs.end(),
                              [&](const std::string& existing) { return sameID(existing, id); });
    if (id.empty() || appBundleIDs.size() >= maxApps || listed)
        return *this;
    KeepAwakeRules out = *this;
    out.appBundleIDs.emplace_back(id);
    return out;
}

KeepAwakeRules KeepAwakeRules::removing(std::string_view appID) const
{
    KeepAwakeRules out = *this;
    std::erase_if(out.appBundleIDs, [&](const std::string& existing) { return sameID(existing, appID); });
    return out;
}

bool KeepAwakeRules::isValidAppID(std::string_view appID)
{
    if (appID.size() < 3 || appID.size() > 255 || appID.front() == '.' || appID.back() == '.'
        || appID.find('.') == std::string_view::npos)
        return false;
    return std::all_of(appID.begin(), appID.end(), [](char c) {
        return isAsciiAlpha(c) || isAsciiDigit(c) || c == '-' || c == '.' || c == '_';
    });
}

bool KeepAwakeRules::isValid() const
{
    if (appBundleIDs.size() > maxApps)
        return false;
    std::set<std::string> seen;
    for (const std::string& id : appBundleIDs) {
        if (!isValidAppID(id) || !seen.insert(asciiLowercased(id)).second)
            return false;
    }
    return true;
}

nlohmann::json KeepAwakeRules::toJson() const
{
    return {{"agents", agents}, {"apps", apps}, {"appBundleIDs", appBundleIDs}, {"power", power}, {"display", display}};
}

std::optional<KeepAwakeRules> KeepAwakeRules::fromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    KeepAwakeRules rules;
    readSwitch(json, "agents", rules.agents);
    readSwitch(json, "apps", rules.apps);
    readSwitch(json, "power", rules.power);
    readSwitch(json, "display", rules.display);
    if (auto ids = json.find("appBundleIDs"); ids != json.end()) {
        rules.appBundleIDs = decodeLossy<std::string>(*ids, [](const nlohmann::json& id) -> std::optional<std::string> {
            if (!id.is_string())
                return std::nullopt;
            return id.get<std::string>();
        });
    }
    return rules;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeRules& rules)
{
    return out << "KeepAwakeRules" << rules.toJson().dump();
}

}  // namespace corvane
