#pragma once
// The keep-awake log: every hold started, stopped or noticed, oldest first,
// kept for a week and at most 2000 entries. The app writes it whole to
// "keepawake-log.json" in the data folder; the status command reads the
// newest entry from another process.
//
// File format: {"entries":[{"date":…,"event":"started","reason":"dev","battery":80},…]},
// keys in that order, no white space; "date" counts seconds since
// 2001-01-01 UTC and may have a fraction; "battery" is left out when unknown.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/RawEnum.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

struct KeepAwakeLogEntry {
    enum class Event {
        started, stopped, autoHold, autoRelease, closedLidOn, closedLidOff,
        guardrail, lidClosed, lidOpened, workDone, slept, woke,
    };

    WallTime date = WallTime::fromUnixSeconds(0);
    Event event = Event::started;
    std::string reason;
    std::optional<int> battery;  // percent

    // Nothing for an entry without a numeric date, with an unknown event or
    // a reason that is not text.
    static std::optional<KeepAwakeLogEntry> fromJson(const Json& json);

    bool operator==(const KeepAwakeLogEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeLogEntry& entry);

template <>
struct EnumCases<KeepAwakeLogEntry::Event> {
    using Event = KeepAwakeLogEntry::Event;
    static constexpr std::array cases{
        std::pair{Event::started, std::string_view("started")},
        std::pair{Event::stopped, std::string_view("stopped")},
        std::pair{Event::autoHold, std::string_view("autoHold")},
        std::pair{Event::autoRelease, std::string_view("autoRelease")},
        std::pair{Event::closedLidOn, std::string_view("closedLidOn")},
        std::pair{Event::closedLidOff, std::string_view("closedLidOff")},
        std::pair{Event::guardrail, std::string_view("guardrail")},
        std::pair{Event::lidClosed, std::string_view("lidClosed")},
        std::pair{Event::lidOpened, std::string_view("lidOpened")},
        std::pair{Event::workDone, std::string_view("workDone")},
        std::pair{Event::slept, std::string_view("slept")},
        std::pair{Event::woke, std::string_view("woke")},
    };
};

struct KeepAwakeLog {
    static constexpr std::string_view fileName = "keepawake-log.json";
    static constexpr double retentionSeconds = 7 * 24 * 3600;
    static constexpr std::size_t maxEntries = 2000;
    // 2000 entries take about 200 KB; anything far larger is not our log.
    static constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;

    std::vector<KeepAwakeLogEntry> entries;  // oldest first

    // Appends, then drops entries older than a week before `now` and the
    // oldest beyond `maxEntries`.
    void append(KeepAwakeLogEntry entry, WallTime now);

    std::string encode() const;
    // Entries that do not decode are dropped; nothing when the bytes are
    // not a log at all (not JSON, no "entries" list, over the size cap).
    static std::optional<KeepAwakeLog> decode(std::string_view bytes);

    // The log in the file; a file that is not a log is moved aside and the
    // log starts empty, an unreadable or missing one is an empty log.
    static KeepAwakeLog load(const std::filesystem::path& file, WallTime now, const Calendar& calendar);
    // Replaces the file atomically with mode 0600.
    Result<void> save(const std::filesystem::path& file) const;

    bool operator==(const KeepAwakeLog&) const = default;
};

}  // namespace corvane
