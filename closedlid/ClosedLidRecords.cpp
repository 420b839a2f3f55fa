#include "closedlid/ClosedLidRecords.h"

#include "core/base/JsonStore.h"
#include "core/base/RawEnum.h"
#include "core/keepawake/Overloaded.h"

namespace corvane {

namespace {

std::optional<Json> parseLine(std::string_view data)
{
    if (data.size() > closedLidLineCap)
        return std::nullopt;
    Json json = Json::parse(data, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    return json;
}

std::optional<std::int64_t> integer(const Json& object, const char* key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer())
        return std::nullopt;
    return found->get<std::int64_t>();
}

std::optional<bool> boolean(const Json& object, const char* key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_boolean())
        return std::nullopt;
    return found->get<bool>();
}

std::optional<WallTime> date(const Json& object, const char* key)
{
    auto found = object.find(key);
    return found == object.end() ? std::nullopt : wallTimeFromJson(*found);
}

Json holdJson(const LidHold& hold)
{
    return Json{{"startedAt", toJson(hold.startedAt)}, {"leaseUntil", toJson(hold.leaseUntil)},
                {"deadline", toJson(hold.deadline)},   {"leaseSeconds", hold.leaseSeconds},
                {"batteryFloor", hold.batteryFloor}};
}

std::optional<LidHold> decodeHold(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto startedAt = date(json, "startedAt");
    auto leaseUntil = date(json, "leaseUntil");
    auto deadline = date(json, "deadline");
    auto leaseSeconds = integer(json, "leaseSeconds");
    auto batteryFloor = integer(json, "batteryFloor");
    if (!startedAt || !leaseUntil || !deadline || !leaseSeconds || !batteryFloor || *leaseUntil > *deadline)
        return std::nullopt;
    return LidHold{*startedAt, *leaseUntil, *deadline, *leaseSeconds, *batteryFloor};
}

}  // namespace

std::string LidHoldRecord::encoded() const
{
    Json json = Json::object();
    if (hold)
        json["hold"] = holdJson(*hold);
    if (prior)
        json["prior"] = *prior;
    return json.dump();
}

std::optional<LidHoldRecord> LidHoldRecord::decode(std::string_view data)
{
    auto json = parseLine(data);
    if (!json)
        return std::nullopt;
    LidHoldRecord record;
    if (auto hold = json->find("hold"); hold != json->end())
        record.hold = decodeHold(*hold);
    record.prior = boolean(*json, "prior");
    return record;
}

std::string ClosedLidHelperStatus::encoded() const
{
    Json json{{"helperVersion", helperVersion}, {"ok", ok}, {"holding", holding}, {"sleepDisabled", sleepDisabled}};
    if (hold)
        json["hold"] = holdJson(*hold);
    if (lastStop)
        json["lastStop"] = std::string(rawValue(*lastStop));
    if (message)
        json["message"] = *message;
    if (leftByUs)
        json["leftByUs"] = *leftByUs;
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperStatus::decode(std::string_view data)
{
    auto json = parseLine(data);
    if (!json)
        return std::nullopt;
    auto version = integer(*json, "helperVersion");
    auto ok = boolean(*json, "ok");
    auto holding = boolean(*json, "holding");
    auto sleepDisabled = boolean(*json, "sleepDisabled");
    if (!version || !ok || !holding || !sleepDisabled)
        return std::nullopt;

    ClosedLidHelperStatus status;
    status.helperVersion = static_cast<int>(*version);
    status.ok = *ok;
    status.holding = *holding;
    status.sleepDisabled = *sleepDisabled;
    if (auto hold = json->find("hold"); hold != json->end())
        status.hold = decodeHold(*hold);
    if (auto stop = json->find("lastStop"); stop != json->end() && stop->is_string())
        status.lastStop = fromRawValue<LidStopReason>(stop->get_ref<const std::string&>());
    if (auto message = json->find("message"); message != json->end() && message->is_string())
        status.message = message->get<std::string>();
    status.leftByUs = boolean(*json, "leftByUs");
    return status;
}

std::string ClosedLidRequest::encoded() const
{
    Json json{{"version", version}};
    std::visit(Overloaded{
                   [&](const Hold& hold) {
                       json["request"] = "hold";
                       json["leaseSeconds"] = hold.terms.leaseSeconds;
                       json["hardDeadlineSeconds"] = hold.terms.hardDeadlineSeconds;
                       json["batteryFloor"] = hold.terms.batteryFloor;
                   },
                   [&](const Renew&) { json["request"] = "renew"; },
                   [&](const Release&) { json["request"] = "release"; },
                   [&](const Status&) { json["request"] = "status"; },
               },
               kind);
    return json.dump();
}

std::optional<ClosedLidRequest> ClosedLidRequest::decode(std::string_view data)
{
    auto json = parseLine(data);
    if (!json)
        return std::nullopt;
    auto version = integer(*json, "version");
    auto name = json->find("request");
    if (!version || name == json->end() || !name->is_string())
        return std::nullopt;
    const auto& request = name->get_ref<const std::string&>();
    ClosedLidRequest out;
    out.version = static_cast<int>(*version);
    if (request == "hold") {
        auto lease = integer(*json, "leaseSeconds");
        auto deadline = integer(*json, "hardDeadlineSeconds");
        auto floor = integer(*json, "batteryFloor");
        if (!lease || !deadline || !floor)
            return std::nullopt;
        out.kind = Hold{LidHoldTerms{*lease, *deadline, *floor}};
    } else if (request == "renew") {
        out.kind = Renew{};
    } else if (request == "release") {
        out.kind = Release{};
    } else if (request == "status") {
        out.kind = Status{};
    } else {
        return std::nullopt;
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const LidHold& hold)
{
    return out << "{started " << hold.startedAt.unixSeconds() << ", lease until " << hold.leaseUntil.unixSeconds()
               << ", deadline " << hold.deadline.unixSeconds() << ", lease " << hold.leaseSeconds << " s, floor "
               << hold.batteryFloor << "%}";
}

std::ostream& operator<<(std::ostream& out, const ClosedLidHelperStatus& status) { return out << status.encoded(); }

}  // namespace corvane
