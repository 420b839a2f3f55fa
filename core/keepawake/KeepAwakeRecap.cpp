#include "core/keepawake/KeepAwakeRecap.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/KeepAwakeText.h"

namespace corvane {

namespace {

using Event = KeepAwakeLogEntry::Event;
using Kind = KeepAwakeRecap::Row::Kind;

std::string stopText(const std::string& reason)
{
    auto known = fromRawValue<StopReason>(reason);
    if (!known)
        return reason;
    switch (*known) {
    case StopReason::battery: return "battery low";
    case StopReason::thermal: return "too hot";
    case StopReason::unplugged: return "unplugged";
    case StopReason::deadline: return "longest run reached";
    }
    return reason;
}

// Whether the closed-lid hold was on when the lid closed.
bool lidHoldOpenBefore(const std::vector<KeepAwakeLogEntry>& sorted, std::size_t closing)
{
    bool open = false;
    for (std::size_t at = 0; at < closing; ++at) {
        if (sorted[at].event == Event::closedLidOn)
            open = true;
        else if (sorted[at].event == Event::closedLidOff || sorted[at].event == Event::guardrail)
            open = false;
    }
    return open;
}

}  // namespace

std::optional<KeepAwakeRecap> KeepAwakeRecap::build(const std::vector<KeepAwakeLogEntry>& entries, WallTime openedAt,
                                                    const Calendar& calendar)
{
    std::vector<KeepAwakeLogEntry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const KeepAwakeLogEntry& a, const KeepAwakeLogEntry& b) { return a.date < b.date; });
    auto newest = std::find_if(sorted.rbegin(), sorted.rend(),
                               [](const KeepAwakeLogEntry& entry) { return entry.event == Event::lidClosed; });
    if (newest == sorted.rend())
        return std::nullopt;
    std::size_t closing = static_cast<std::size_t>(sorted.rend() - newest) - 1;

    KeepAwakeRecap recap;
    recap.closedAt = sorted[closing].date;
    recap.openedAt = openedAt;
    std::string who = sorted[closing].reason.empty() ? "Work" : sorted[closing].reason;
    recap.rows.push_back({recap.closedAt, Kind::lidClosed, "Lid closed"});

    const std::string keptText = "Kept running with the lid closed";
    bool kept = lidHoldOpenBefore(sorted, closing);
    if (kept)
        recap.rows.push_back({recap.closedAt, Kind::keptRunning, keptText});

    std::optional<KeepAwakeLogEntry> finished;
    std::optional<KeepAwakeLogEntry> stopped;
    bool sleptAfterFinishing = false;
    for (std::size_t at = closing + 1; at < sorted.size() && sorted[at].date <= openedAt; ++at) {
        const KeepAwakeLogEntry& entry = sorted[at];
        switch (entry.event) {
        case Event::closedLidOn:
            if (!kept)
                recap.rows.push_back({entry.date, Kind::keptRunning, keptText});
            kept = true;
            break;
        case Event::workDone: {
            std::string finisher = entry.reason.empty() ? who : entry.reason;
            auto minutes = std::max(1L, static_cast<long>(std::floor(entry.date.secondsSince(recap.closedAt) / 60)));
            Row row{entry.date, Kind::finished, fmt::format("{} finished ({} min)", finisher, minutes)};
            bool repeat = finished && recap.rows.back().kind == Kind::finished && finished->reason == entry.reason;
            if (repeat)
                recap.rows.back() = std::move(row);
            else
                recap.rows.push_back(std::move(row));
            finished = entry;
            sleptAfterFinishing = false;
            break;
        }
        case Event::guardrail:
            recap.rows.push_back({entry.date, Kind::stopped, "Stopped — " + stopText(entry.reason)});
            stopped = entry;
            break;
        case Event::slept:
            recap.rows.push_back({entry.date, Kind::slept, "Computer went to sleep"});
            sleptAfterFinishing = finished.has_value();
            break;
        default:
            break;
        }
    }

    if (stopped) {
        recap.summary = fmt::format("Lunebox stopped at {} ({}) and let your computer sleep.",
                                    KeepAwakeText::clockTime(stopped->date, calendar), stopText(stopped->reason));
    } else if (finished) {
        std::string finisher = finished->reason.empty() ? who : finished->reason;
        std::string time = KeepAwakeText::clockTime(finished->date, calendar);
        recap.summary = sleptAfterFinishing
            ? fmt::format("{} finished at {}, then your computer slept. Nothing was cut off.", finisher, time)
            : fmt::format("{} finished at {}. Nothing was cut off.", finisher, time);
    } else if (kept && std::none_of(recap.rows.begin(), recap.rows.end(),
                                    [](const Row& row) { return row.kind == Kind::slept; })) {
        recap.summary = who + " kept running the whole time.";
    } else {
        recap.summary = who + " was working.";
    }
    return recap;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeRecap& recap)
{
    out << "KeepAwakeRecap{" << iso8601(recap.closedAt) << "…" << iso8601(recap.openedAt);
    for (const auto& row : recap.rows)
        out << " | " << iso8601(row.time) << " " << row.text;
    return out << " | \"" << recap.summary << "\"}";
}

}  // namespace corvane
