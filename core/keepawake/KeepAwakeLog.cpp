#include "core/keepawake/KeepAwakeLog.h"

#include <cmath>

#include "core/base/Files.h"

namespace corvane {

namespace {

// The entries' keys keep their documented order, which a sorted object would lose.
using OrderedJson = nlohmann::ordered_json;

std::optional<KeepAwakeLog> fromDocument(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto entries = json.find("entries");
    if (entries == json.end() || !entries->is_array())
        return std::nullopt;
    return KeepAwakeLog{decodeLossy<KeepAwakeLogEntry>(*entries, KeepAwakeLogEntry::fromJson)};
}

// False when "battery" is there but is not a whole number; a null counts as left out.
bool readBattery(const Json& json, std::optional<int>& battery)
{
    auto found = json.find("battery");
    if (found == json.end() || found->is_null())
        return true;
    if (found->is_number_integer()) {
        battery = found->get<int>();
        return true;
    }
    if (!found->is_number_float())
        return false;
    double value = found->get<double>();
    if (!std::isfinite(value) || value != std::trunc(value) || std::abs(value) > 1e6)
        return false;
    battery = static_cast<int>(value);
    return true;
}

}  // namespace

std::optional<KeepAwakeLogEntry> KeepAwakeLogEntry::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto date = json.find("date");
    auto event = json.find("event");
    auto reason = json.find("reason");
    if (date == json.end() || event == json.end() || !event->is_string() || reason == json.end()
        || !reason->is_string())
        return std::nullopt;
    auto when = wallTimeFromJson(*date);
    auto kind = fromRawValue<Event>(event->get<std::string>());
    std::optional<int> battery;
    if (!when || !kind || !readBattery(json, battery))
        return std::nullopt;
    return KeepAwakeLogEntry{*when, *kind, reason->get<std::string>(), battery};
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeLogEntry& entry)
{
    out << "KeepAwakeLogEntry{" << iso8601(entry.date) << ", " << rawValue(entry.event) << ", \"" << entry.reason
        << "\"";
    if (entry.battery)
        out << ", battery " << *entry.battery;
    return out << "}";
}

void KeepAwakeLog::append(KeepAwakeLogEntry entry, WallTime now)
{
    entries.push_back(std::move(entry));
    WallTime oldest = now.plusSeconds(-retentionSeconds);
    std::erase_if(entries, [&](const KeepAwakeLogEntry& kept) { return kept.date < oldest; });
    if (entries.size() > maxEntries)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(maxEntries));
}

std::string KeepAwakeLog::encode() const
{
    OrderedJson list = OrderedJson::array();
    for (const KeepAwakeLogEntry& entry : entries) {
        OrderedJson item;
        item["date"] = toJson(entry.date).get<double>();
        item["event"] = rawValue(entry.event);
        item["reason"] = entry.reason;
        if (entry.battery)
            item["battery"] = *entry.battery;
        list.push_back(std::move(item));
    }
    OrderedJson document;
    document["entries"] = std::move(list);
    return document.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
}

std::optional<KeepAwakeLog> KeepAwakeLog::decode(std::string_view bytes)
{
    if (bytes.size() > maxFileBytes)
        return std::nullopt;
    return fromDocument(Json::parse(bytes, nullptr, false));
}

KeepAwakeLog KeepAwakeLog::load(const std::filesystem::path& file, WallTime now, const Calendar& calendar)
{
    return loadStore<KeepAwakeLog>(JsonStoreFile(file, maxFileBytes), fromDocument, now, calendar);
}

Result<void> KeepAwakeLog::save(const std::filesystem::path& file) const
{
    return writeFileAtomically(file, encode(), 0600);
}

}  // namespace corvane
