#pragma once
// What happened while the lid was closed, told from the keep-awake log
// once it opens again: a few rows and one sentence.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeLog.h"

namespace corvane {

struct KeepAwakeRecap {
    struct Row {
        enum class Kind { lidClosed, keptRunning, finished, stopped, slept };
        WallTime time;
        Kind kind = Kind::lidClosed;
        std::string text;
        bool operator==(const Row&) const = default;
    };

    WallTime closedAt = WallTime::fromUnixSeconds(0);
    WallTime openedAt = WallTime::fromUnixSeconds(0);
    std::vector<Row> rows;
    std::string summary;

    // From the newest "lidClosed" entry up to `openedAt`; none without one.
    // Repeated "workDone" entries of the same work in a row make one row,
    // at the last of them. Times read in `calendar`'s zone.
    static std::optional<KeepAwakeRecap> build(const std::vector<KeepAwakeLogEntry>& entries, WallTime openedAt,
                                               const Calendar& calendar);

    bool operator==(const KeepAwakeRecap&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeRecap& recap);

}  // namespace corvane
