#include "core/keepawake/KeepAwakeWeeklySummary.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace corvane {

namespace {

using Event = KeepAwakeLogEntry::Event;

enum Family { manual, automatic, lid, familyCount };

struct Edge {
    Family family;
    bool opens;
};

std::optional<Edge> edgeOf(Event event)
{
    switch (event) {
    case Event::started: return Edge{manual, true};
    case Event::stopped: return Edge{manual, false};
    case Event::autoHold: return Edge{automatic, true};
    case Event::autoRelease:
    case Event::workDone: return Edge{automatic, false};
    case Event::closedLidOn: return Edge{lid, true};
    case Event::closedLidOff: return Edge{lid, false};
    default: return std::nullopt;
    }
}

}  // namespace

KeepAwakeWeeklySummary KeepAwakeWeeklySummary::of(const KeepAwakeLog& log, WallTime now)
{
    std::vector<KeepAwakeLogEntry> sorted = log.entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const KeepAwakeLogEntry& a, const KeepAwakeLogEntry& b) { return a.date < b.date; });
    const WallTime weekStart = now.plusSeconds(-KeepAwakeLog::retentionSeconds);
    std::array<std::optional<WallTime>, familyCount> open;
    std::array<double, familyCount> total{};
    auto close = [&](Family family, WallTime end) {
        if (!open[family])
            return;
        WallTime start = std::max(*open[family], weekStart);
        total[family] += std::max(0.0, end.secondsSince(start));
        open[family].reset();
    };

    for (const KeepAwakeLogEntry& entry : sorted) {
        if (entry.event == Event::guardrail) {
            for (int family = 0; family < familyCount; ++family)
                close(Family(family), entry.date);
        } else if (auto edge = edgeOf(entry.event)) {
            if (!edge->opens)
                close(edge->family, entry.date);
            else if (!open[edge->family])
                open[edge->family] = entry.date;
        }
    }
    for (int family = 0; family < familyCount; ++family)
        close(Family(family), now);
    return {total[manual], total[automatic], total[lid]};
}

}  // namespace corvane
