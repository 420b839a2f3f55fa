#pragma once
// The Notifications inbox as the panel lays it out: what passes the filter,
// which alerts need action, day sections and stacks of related alerts.
// Pure functions of the history, the clock and the calendar.

#include <array>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"
#include "core/notch/AlertRecord.h"
#include "core/notch/InboxFilter.h"
#include "core/notch/NotificationGroups.h"

namespace corvane {

// One row of the inbox: a single alert, or a stack of related ones.
struct InboxEntry {
    std::string id;
    std::string app;                   // the display name of the source
    std::vector<AlertRecord> records;  // never empty, newest first
    bool timeSensitive = false;

    const AlertRecord& top() const { return records.front(); }
    bool isStack() const { return records.size() > 1; }

    bool operator==(const InboxEntry&) const = default;
};

struct InboxSection {
    enum class Kind { needsAction, earlierToday, yesterday, older };

    Kind kind = Kind::needsAction;
    std::vector<InboxEntry> entries;

    bool operator==(const InboxSection&) const = default;
};

// Ids "needsAction", "earlierToday", "yesterday", "older".
template <>
struct EnumCases<InboxSection::Kind> {
    static constexpr std::array cases{
        std::pair{InboxSection::Kind::needsAction, std::string_view("needsAction")},
        std::pair{InboxSection::Kind::earlierToday, std::string_view("earlierToday")},
        std::pair{InboxSection::Kind::yesterday, std::string_view("yesterday")},
        std::pair{InboxSection::Kind::older, std::string_view("older")},
    };
};

// "NEEDS ACTION", "EARLIER TODAY", "YESTERDAY", "OLDER"
std::string_view title(InboxSection::Kind kind);

namespace InboxKinds {

// Only today's alerts ever need action: a few kinds always, an away summary
// while an agent waits for input, and any time-sensitive kind.
bool needsAction(const AlertRecord& record, WallTime now, const Calendar& calendar,
                 const IsTimeSensitive& isTimeSensitive);

// The summary line of an away session whose agent waits for the user.
bool isWaitingForInput(const AlertRecord& record);

}  // namespace InboxKinds

namespace InboxPlan {

InboxCounts counts(const std::vector<AlertRecord>& records, WallTime now, const Calendar& calendar,
                   const IsTimeSensitive& isTimeSensitive);

std::vector<AlertRecord> shown(const std::vector<AlertRecord>& records, InboxFilter filter, WallTime now,
                               const Calendar& calendar, const IsTimeSensitive& isTimeSensitive);

// Needs action, earlier today, yesterday, older; empty sections left out.
// `filter` is the chosen one; the effective filter is applied.
std::vector<InboxSection> sections(const std::vector<AlertRecord>& records, InboxFilter filter,
                                   NotificationGrouping grouping, WallTime now, const Calendar& calendar,
                                   const IsTimeSensitive& isTimeSensitive);

// Stable identifiers for keyboard focus.
std::string rowID(const AlertRecord& record);
std::string moreID(const InboxEntry& entry);

// The focusable rows in display order: every record of an open stack, only
// the top of a closed one. `open` holds the entry ids the user expanded.
std::vector<std::string> focusRows(const std::vector<InboxSection>& sections,
                                   const std::set<std::string>& open);

}  // namespace InboxPlan

namespace InboxCaption {

// "12 notifications · 3 need action", "Nothing new", "4 from dev tools"
std::string text(InboxFilter filter, const InboxCounts& counts);
// "Build failed · and 3 more"; "and 3 more" for an empty text.
std::string stackLine(std::string_view text, int more);

}  // namespace InboxCaption

}  // namespace corvane
