#pragma once
// The bounded history of alerts behind the Notifications inbox, newest
// first, with the marker of what the user has already seen.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/Time.h"
#include "core/base/Uuid.h"
#include "core/notch/AlertRecord.h"

namespace corvane {

struct AlertHistory {
    static constexpr std::size_t limit = 100;

    std::vector<AlertRecord> records;  // newest first
    WallTime lastSeen = WallTime::distantPast();

    // Inserts at the front and drops the oldest beyond the limit. Records of
    // kinds that keep no history never enter: false for those.
    bool append(AlertRecord record);
    // Records dated after `lastSeen`.
    int unread() const;
    // `lastSeen` only moves forward.
    void markAllRead(WallTime now);
    void remove(const Uuid& id);
    void remove(const std::vector<Uuid>& ids);
    // Removes every record and keeps `lastSeen`.
    void clear() { records.clear(); }

    struct Split {
        std::vector<AlertRecord> today;    // the calendar day of `now`
        std::vector<AlertRecord> earlier;  // everything else
    };
    Split grouped(WallTime now, const Calendar& calendar) const;

    // {"records": [...], "lastSeen": date}
    Json toJson() const;
    // Records that do not decode are dropped; nothing when the document as
    // a whole is not a history.
    static std::optional<AlertHistory> fromJson(const Json& json);

    std::string encode() const;
    struct Loaded;
    static Loaded load(std::string_view data);

    bool operator==(const AlertHistory&) const = default;
};

struct AlertHistory::Loaded {
    AlertHistory history;
    bool corrupt = false;  // the data as a whole did not decode; `history` is empty
};

}  // namespace corvane
