#include "core/notch/AlertHistory.h"

#include <algorithm>

#include "core/notch/ModuleCatalog.h"

namespace corvane {

bool AlertHistory::append(AlertRecord record)
{
    if (const AlertKind* kind = ModuleCatalog::alertKind(record.kind); kind != nullptr && !kind->keepsHistory)
        return false;
    records.insert(records.begin(), std::move(record));
    if (records.size() > limit)
        records.erase(records.begin() + limit, records.end());
    return true;
}

int AlertHistory::unread() const
{
    auto isUnread = [&](const AlertRecord& record) { return record.date > lastSeen; };
    return static_cast<int>(std::count_if(records.begin(), records.end(), isUnread));
}

void AlertHistory::markAllRead(WallTime now) { lastSeen = std::max(lastSeen, now); }

void AlertHistory::remove(const Uuid& id) { remove(std::vector<Uuid>{id}); }

void AlertHistory::remove(const std::vector<Uuid>& ids)
{
    std::erase_if(records, [&](const AlertRecord& record) {
        return std::find(ids.begin(), ids.end(), record.id) != ids.end();
    });
}

AlertHistory::Split AlertHistory::grouped(WallTime now, const Calendar& calendar) const
{
    Split split;
    for (const AlertRecord& record : records)
        (calendar.isSameDay(record.date, now) ? split.today : split.earlier).push_back(record);
    return split;
}

Json AlertHistory::toJson() const
{
    Json list = Json::array();
    for (const AlertRecord& record : records)
        list.push_back(record.toJson());
    return Json{{"records", std::move(list)}, {"lastSeen", corvane::toJson(lastSeen)}};
}

std::optional<AlertHistory> AlertHistory::fromJson(const Json& json)
{
    if (!json.is_object() || !json.contains("records") || !json["records"].is_array())
        return std::nullopt;
    AlertHistory history;
    history.records = decodeLossy<AlertRecord>(json["records"], AlertRecord::fromJson);
    if (history.records.size() > limit)
        history.records.erase(history.records.begin() + limit, history.records.end());
    if (json.contains("lastSeen")) {
        if (auto lastSeen = wallTimeFromJson(json["lastSeen"]))
            history.lastSeen = *lastSeen;
    }
    return history;
}

std::string AlertHistory::encode() const { return toJson().dump(-1, ' ', false, Json::error_handler_t::replace); }

AlertHistory::Loaded AlertHistory::load(std::string_view data)
{
    Json json = Json::parse(data, nullptr, false);
    if (json.is_discarded())
        return {AlertHistory{}, true};
    auto history = fromJson(json);
    if (!history)
        return {AlertHistory{}, true};
    return {std::move(*history), false};
}

}  // namespace corvane
