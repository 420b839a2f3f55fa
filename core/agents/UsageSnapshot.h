#pragma once
// The usage store file ("ai-index.json"): where reading of every transcript
// stopped and what each Codex transcript has said so far. The records
// themselves live in the appended records file beside it, so the snapshot
// stays small and is rewritten whole, atomically, on every save.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "core/agents/CodexParser.h"
#include "core/agents/TailState.h"
#include "core/base/JsonStore.h"
#include "core/base/Time.h"

namespace corvane {

struct UsageSnapshot {
    static constexpr int currentVersion = 3;
    // Thousands of transcripts with their Codex states stay far below this.
    static constexpr std::size_t maxBytes = 64 * 1024 * 1024;

    std::map<std::string, TailState> tails;          // by canonical transcript path
    std::map<std::string, CodexParser::State> codex;  // by canonical transcript path

    bool operator==(const UsageSnapshot&) const = default;

    // Version 3 with its states; records are never written into the snapshot.
    Json toJson() const;
    // Nothing for another version or a document that is not a snapshot;
    // entries that do not decode are dropped one by one.
    static std::optional<UsageSnapshot> fromJson(const Json& json);
};

// How loading went. Anything but `restored` means reading every transcript
// from the start; de-duplication keeps the totals right.
enum class SnapshotLoad { restored, absent, otherVersion, corrupt, unreadable };

struct LoadedUsageSnapshot {
    UsageSnapshot snapshot;  // empty unless restored
    SnapshotLoad status = SnapshotLoad::absent;
};

// A file that does not parse is moved aside by the store file; one that
// parses but is not a snapshot is moved aside here. Another version is left
// in place: the next save replaces it.
LoadedUsageSnapshot loadUsageSnapshot(const JsonStoreFile& file, WallTime now, const Calendar& calendar);

// "ai index: 12 files, 3400 usage lines, 2 unreadable, 3398 records in 41 ms"
std::string indexStatisticsLine(std::int64_t files, std::int64_t usageLines, std::int64_t unreadable, std::int64_t records,
                                std::int64_t milliseconds);

}  // namespace corvane
