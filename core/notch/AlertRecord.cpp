#include "core/notch/AlertRecord.h"

#include <ostream>

#include "core/notch/SettingKey.h"

namespace corvane {

namespace {

constexpr const char* payloadKey = "_0";

Json linkToJson(const MeetingLink::Link& link)
{
    Json json = {{"service", rawValue(link.service)}, {"url", link.url}};
    if (link.appURL)
        json["appURL"] = *link.appURL;
    return json;
}

// The plain JSON codecs of the settings serve the payloads too.
std::optional<std::string> stringFrom(const Json& json) { return SettingCodec<std::string>::decode(json); }

std::optional<MeetingLink::Link> linkFrom(const Json& json)
{
    if (!json.is_object() || !json.contains("service") || !json.contains("url"))
        return std::nullopt;
    auto service = SettingCodec<MeetingLink::Service>::decode(json["service"]);
    auto url = stringFrom(json["url"]);
    auto appURL = SettingCodec<std::optional<std::string>>::decode(json.value("appURL", Json()));
    if (!service || !url || !appURL)
        return std::nullopt;
    return MeetingLink::Link{*service, std::move(*url), std::move(*appURL)};
}

// Case names as stored, and each case's payload codec.
struct CaseJson {
    std::string_view name;
    Json payload;
};

CaseJson caseJson(const AlertRecord::Action::Value& value)
{
    using A = AlertRecord::Action;
    struct Visitor {
        CaseJson operator()(const A::Join& c) const { return {"join", linkToJson(c.link)}; }
        CaseJson operator()(const A::Open& c) const { return {"open", c.target}; }
        CaseJson operator()(const A::CompleteReminder& c) const { return {"completeReminder", c.reminderID}; }
        CaseJson operator()(const A::SnoozeReminder& c) const { return {"snoozeReminder", c.reminderID}; }
        CaseJson operator()(const A::ContainerLogs& c) const { return {"containerLogs", c.container}; }
        CaseJson operator()(const A::RestartTimer& c) const { return {"restartTimer", c.minutes}; }
        CaseJson operator()(const A::Reveal& c) const { return {"reveal", c.paths}; }
        CaseJson operator()(const A::CleanUpApp& c) const { return {"cleanUpApp", c.app}; }
        CaseJson operator()(const A::OpenURL& c) const { return {"openURL", c.url}; }
    };
    return std::visit(Visitor{}, value);
}

template <typename Case, typename Payload, typename Decode>
std::optional<AlertRecord::Action> decodeCase(const Json& payload, Decode decode)
{
    std::optional<Payload> value = decode(payload);
    if (!value)
        return std::nullopt;
    return AlertRecord::Action{Case{std::move(*value)}};
}

std::optional<AlertRecord::Action> actionFrom(std::string_view name, const Json& payload)
{
    using A = AlertRecord::Action;
    if (name == "join")
        return decodeCase<A::Join, MeetingLink::Link>(payload, linkFrom);
    if (name == "open")
        return decodeCase<A::Open, std::string>(payload, stringFrom);
    if (name == "completeReminder")
        return decodeCase<A::CompleteReminder, std::string>(payload, stringFrom);
    if (name == "snoozeReminder")
        return decodeCase<A::SnoozeReminder, std::string>(payload, stringFrom);
    if (name == "containerLogs")
        return decodeCase<A::ContainerLogs, std::string>(payload, stringFrom);
    if (name == "restartTimer")
        return decodeCase<A::RestartTimer, int>(payload, SettingCodec<int>::decode);
    if (name == "reveal")
        return decodeCase<A::Reveal, std::vector<std::string>>(payload,
                                                               SettingCodec<std::vector<std::string>>::decode);
    if (name == "cleanUpApp")
        return decodeCase<A::CleanUpApp, std::string>(payload, stringFrom);
    if (name == "openURL")
        return decodeCase<A::OpenURL, std::string>(payload, stringFrom);
    return std::nullopt;
}

std::optional<Brand> brandOfModule(std::string_view moduleID)
{
    if (moduleID == "docker")
        return Brand::docker;
    if (moduleID == "git")
        return Brand::github;
    if (moduleID == "brew")
        return Brand::homebrew;
    return std::nullopt;
}

std::optional<Brand> brandOfAction(const AlertRecord::Action& action)
{
    if (const auto* join = action.as<AlertRecord::Action::Join>()) {
        switch (join->link.service) {
        case MeetingLink::Service::zoom: return Brand::zoom;
        case MeetingLink::Service::meet: return Brand::meet;
        case MeetingLink::Service::teams: return Brand::teams;
        case MeetingLink::Service::webex: return std::nullopt;
        }
    }
    if (action.as<AlertRecord::Action::ContainerLogs>() != nullptr)
        return Brand::docker;
    return std::nullopt;
}

}  // namespace

Json AlertRecord::Action::toJson() const
{
    CaseJson c = caseJson(value);
    return Json{{std::string(c.name), Json{{payloadKey, std::move(c.payload)}}}};
}

std::optional<AlertRecord::Action> AlertRecord::Action::fromJson(const Json& json)
{
    if (!json.is_object() || json.size() != 1)
        return std::nullopt;
    auto entry = json.begin();
    if (!entry.value().is_object() || !entry.value().contains(payloadKey))
        return std::nullopt;
    return actionFrom(entry.key(), entry.value()[payloadKey]);
}

std::optional<Brand> AlertRecord::brand() const
{
    if (kind.starts_with("ai."))
        return AgentBrand::fromTitle(title);
    if (action) {
        if (auto fromAction = brandOfAction(*action))
            return fromAction;
    }
    return brandOfModule(moduleID);
}

Json AlertRecord::toJson() const
{
    Json json = {
        {"id", id.string()}, {"kind", kind}, {"moduleID", moduleID}, {"title", title}, {"text", text},
        {"date", corvane::toJson(date)},
    };
    if (action)
        json["action"] = action->toJson();
    return json;
}

std::optional<AlertRecord> AlertRecord::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto field = [&](const char* key) { return json.contains(key) ? stringFrom(json[key]) : std::nullopt; };
    auto idText = field("id");
    auto id = idText ? Uuid::parse(*idText) : std::nullopt;
    auto kind = field("kind");
    auto moduleID = field("moduleID");
    auto title = field("title");
    auto date = json.contains("date") ? wallTimeFromJson(json["date"]) : std::nullopt;
    if (!id || !kind || !moduleID || !title || !date)
        return std::nullopt;
    AlertRecord record{*id, std::move(*kind), std::move(*moduleID), std::move(*title),
                       field("text").value_or(""), *date, std::nullopt};
    if (json.contains("action"))
        record.action = Action::fromJson(json["action"]);
    return record;
}

std::ostream& operator<<(std::ostream& out, const AlertRecord& record) { return out << record.toJson().dump(); }

std::ostream& operator<<(std::ostream& out, const AlertRecord::Action& action) { return out << action.toJson().dump(); }

}  // namespace corvane
