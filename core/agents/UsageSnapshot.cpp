#include "core/agents/UsageSnapshot.h"

#include <fmt/format.h>

namespace corvane {

namespace {

template <typename State>
Json encodeStates(const std::map<std::string, State>& states)
{
    Json json = Json::object();
    for (const auto& [path, state] : states)
        json[path] = state.toJson();
    return json;
}

template <typename State>
std::map<std::string, State> decodeStates(const Json& json)
{
    std::map<std::string, State> states;
    if (!json.is_object())
        return states;
    for (const auto& [path, value] : json.items()) {
        if (auto state = State::fromJson(value))
            states.emplace(path, std::move(*state));
    }
    return states;
}

}  // namespace

Json UsageSnapshot::toJson() const
{
    return {{"version", currentVersion}, {"tails", encodeStates(tails)}, {"codex", encodeStates(codex)}};
}

std::optional<UsageSnapshot> UsageSnapshot::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto version = json.find("version");
    if (version == json.end() || !version->is_number_integer() || version->get<std::int64_t>() != currentVersion)
        return std::nullopt;
    UsageSnapshot snapshot;
    if (auto tails = json.find("tails"); tails != json.end())
        snapshot.tails = decodeStates<TailState>(*tails);
    if (auto codex = json.find("codex"); codex != json.end())
        snapshot.codex = decodeStates<CodexParser::State>(*codex);
    return snapshot;
}

LoadedUsageSnapshot loadUsageSnapshot(const JsonStoreFile& file, WallTime now, const Calendar& calendar)
{
    auto loaded = file.load(now, calendar);
    switch (loaded.state) {
    case JsonStoreFile::State::Absent:
    case JsonStoreFile::State::Blank:
        return {{}, SnapshotLoad::absent};
    case JsonStoreFile::State::Corrupt:
        return {{}, SnapshotLoad::corrupt};
    case JsonStoreFile::State::Unreadable:
        return {{}, SnapshotLoad::unreadable};
    case JsonStoreFile::State::Parsed:
        break;
    }
    if (auto snapshot = UsageSnapshot::fromJson(loaded.document))
        return {std::move(*snapshot), SnapshotLoad::restored};
    const Json& document = loaded.document;
    if (document.is_object() && document.contains("version") && document["version"].is_number_integer())
        return {{}, SnapshotLoad::otherVersion};
    (void)file.quarantine(now, calendar);
    return {{}, SnapshotLoad::corrupt};
}

std::string indexStatisticsLine(std::int64_t files, std::int64_t usageLines, std::int64_t unreadable, std::int64_t records,
                                std::int64_t milliseconds)
{
    return fmt::format("ai index: {} files, {} usage lines, {} unreadable, {} records in {} ms", files, usageLines, unreadable,
                       records, milliseconds);
}

}  // namespace corvane
