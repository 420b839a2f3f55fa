#include "core/notch/InboxPlan.h"

#include <algorithm>

#include <fmt/format.h>

namespace corvane {

std::string_view title(InboxSection::Kind kind)
{
    switch (kind) {
    case InboxSection::Kind::needsAction: return "NEEDS ACTION";
    case InboxSection::Kind::earlierToday: return "EARLIER TODAY";
    case InboxSection::Kind::yesterday: return "YESTERDAY";
    case InboxSection::Kind::older: return "OLDER";
    }
    return {};
}

namespace InboxKinds {

namespace {

constexpr std::string_view alwaysNeedAction[] = {
    "ai.stuck", "calendar.meeting", "calendar.reminder", "keepAwake.awayFailed",
    "shelf.needsFinder", "disk.appDeleted", "git.review",
};

}  // namespace

bool isWaitingForInput(const AlertRecord& record)
{
    return record.kind == "keepAwake.awaySummary" && record.title.ends_with(" is waiting for your input.");
}

bool needsAction(const AlertRecord& record, WallTime now, const Calendar& calendar,
                 const IsTimeSensitive& isTimeSensitive)
{
    if (!calendar.isSameDay(record.date, now))
        return false;
    if (std::find(std::begin(alwaysNeedAction), std::end(alwaysNeedAction), record.kind) != std::end(alwaysNeedAction))
        return true;
    return isWaitingForInput(record) || isTimeSensitive(record.kind);
}

}  // namespace InboxKinds

namespace InboxPlan {

namespace {

bool passes(const AlertRecord& record, InboxFilter filter, WallTime now, const Calendar& calendar,
            const IsTimeSensitive& isTimeSensitive)
{
    if (filter == InboxFilter::all)
        return true;
    if (filter == InboxFilter::needsAction)
        return InboxKinds::needsAction(record, now, calendar, isTimeSensitive);
    return InboxFilters::category(filter) == InboxCategories::of(record.moduleID);
}

InboxEntry entryOf(NotificationGroup group)
{
    return InboxEntry{std::move(group.id), std::move(group.title), std::move(group.records), group.timeSensitive};
}

}  // namespace

InboxCounts counts(const std::vector<AlertRecord>& records, WallTime now, const Calendar& calendar,
                   const IsTimeSensitive& isTimeSensitive)
{
    InboxCounts counts;
    for (const AlertRecord& record : records) {
        ++counts.all;
        if (InboxKinds::needsAction(record, now, calendar, isTimeSensitive))
            ++counts.needsAction;
        switch (InboxCategories::of(record.moduleID)) {
        case InboxCategory::agents: ++counts.agents; break;
        case InboxCategory::dev: ++counts.dev; break;
        case InboxCategory::system: ++counts.system; break;
        }
    }
    return counts;
}

std::vector<AlertRecord> shown(const std::vector<AlertRecord>& records, InboxFilter filter, WallTime now,
                               const Calendar& calendar, const IsTimeSensitive& isTimeSensitive)
{
    std::vector<AlertRecord> out;
    std::copy_if(records.begin(), records.end(), std::back_inserter(out),
                 [&](const AlertRecord& record) { return passes(record, filter, now, calendar, isTimeSensitive); });
    return out;
}

std::vector<InboxSection> sections(const std::vector<AlertRecord>& records, InboxFilter filter,
                                   NotificationGrouping grouping, WallTime now, const Calendar& calendar,
                                   const IsTimeSensitive& isTimeSensitive)
{
    InboxFilter effective = InboxFilters::effective(filter, counts(records, now, calendar, isTimeSensitive));
    std::vector<AlertRecord> passing = shown(records, effective, now, calendar, isTimeSensitive);
    std::stable_sort(passing.begin(), passing.end(),
                     [](const AlertRecord& a, const AlertRecord& b) { return a.date > b.date; });

    InboxSection needs{InboxSection::Kind::needsAction, {}};
    std::vector<AlertRecord> byDay[3];  // earlier today, yesterday, older
    std::int64_t today = calendar.dayNumber(now);
    for (AlertRecord& record : passing) {
        if (InboxKinds::needsAction(record, now, calendar, isTimeSensitive)) {
            std::string id = "needs|" + record.id.string();
            std::string app = NotificationGroups::appName(record);
            bool timeSensitive = isTimeSensitive(record.kind);
            needs.entries.push_back({std::move(id), std::move(app), {std::move(record)}, timeSensitive});
            continue;
        }
        std::int64_t day = calendar.dayNumber(record.date);
        byDay[day == today ? 0 : day == today - 1 ? 1 : 2].push_back(std::move(record));
    }

    std::vector<InboxSection> out;
    if (!needs.entries.empty())
        out.push_back(std::move(needs));
    constexpr InboxSection::Kind dayKinds[] = {InboxSection::Kind::earlierToday, InboxSection::Kind::yesterday,
                                               InboxSection::Kind::older};
    for (int i = 0; i < 3; ++i) {
        if (byDay[i].empty())
            continue;
        InboxSection section{dayKinds[i], {}};
        for (NotificationGroup& group :
             NotificationGroups::groups(grouping, byDay[i], rawValue(dayKinds[i]), isTimeSensitive))
            section.entries.push_back(entryOf(std::move(group)));
        out.push_back(std::move(section));
    }
    return out;
}

std::string rowID(const AlertRecord& record) { return "row|" + record.id.string(); }

std::string moreID(const InboxEntry& entry) { return "more|" + entry.id; }

std::vector<std::string> focusRows(const std::vector<InboxSection>& sections, const std::set<std::string>& open)
{
    std::vector<std::string> rows;
    for (const InboxSection& section : sections) {
        for (const InboxEntry& entry : section.entries) {
            if (entry.isStack() && open.contains(entry.id)) {
                for (const AlertRecord& record : entry.records)
                    rows.push_back(rowID(record));
            } else {
                rows.push_back(rowID(entry.top()));
            }
        }
    }
    return rows;
}

}  // namespace InboxPlan

namespace InboxCaption {

namespace {

std::string needsActionPhrase(int count) { return fmt::format("{} {} action", count, count == 1 ? "needs" : "need"); }

}  // namespace

std::string text(InboxFilter filter, const InboxCounts& counts)
{
    switch (filter) {
    case InboxFilter::all: {
        if (counts.all == 0)
            return "Nothing new";
        std::string text = fmt::format("{} notification{}", counts.all, counts.all == 1 ? "" : "s");
        if (counts.needsAction >= 1)
            text += " \u00B7 " + needsActionPhrase(counts.needsAction);
        return text;
    }
    case InboxFilter::needsAction: return needsActionPhrase(counts.needsAction);
    case InboxFilter::agents: return fmt::format("{} from agents", counts.agents);
    case InboxFilter::dev: return fmt::format("{} from dev tools", counts.dev);
    case InboxFilter::system: return fmt::format("{} from system", counts.system);
    }
    return {};
}

std::string stackLine(std::string_view text, int more)
{
    if (text.empty())
        return fmt::format("and {} more", more);
    return fmt::format("{} \u00B7 and {} more", text, more);
}

}  // namespace InboxCaption

}  // namespace corvane
