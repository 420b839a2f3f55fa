#include "core/notch/EventCatalog.h"

#include <algorithm>
#include <vector>

namespace corvane::EventCatalog {

namespace {

constexpr EventStyle ear = EventStyle::ear;
constexpr EventStyle card = EventStyle::card;
constexpr bool urgent = true;
constexpr bool calm = false;

const std::vector<EventKindSpec>& table()
{
    //  kind                           style duration coalesce rate  time-sensitive
    static const std::vector<EventKindSpec> rows = {
        {"toolbox.detect", card, 6, 5, 0, calm},
        {"clipboard.copied", ear, 3, 5, 0, calm},
        {"projects.commandFinished", card, 8, 5, 30, calm},
        {"projects.inbound", ear, 8, 0, 0, calm},
        {"git.reviewsWaiting", ear, 6, 5, 0, calm},
        {"ai.stuck", card, 6, 5, 30, urgent},
        {"ai.limitReached", card, 6, 5, 30, urgent},
        {"ai.setupIssue", ear, 6, 5, 30, calm},
        {"ai.localModel", ear, 6, 5, 0, calm},
        {"shelf.exportFinished", card, 12, 0, 0, calm},
        {"calendar.meeting", card, 6, 5, 30, urgent},
        {"calendar.reminder", card, 6, 5, 30, urgent},
        {"messages.incoming", card, 6, 5, 30, urgent},
        {"timers.hydrate", ear, 8, 5, 30, calm},
        {"vitals.lowBattery", card, 6, 5, 30, urgent},
        {"vitals.cpuBusy", ear, 6, 5, 30, calm},
        {"vitals.hot", ear, 6, 5, 30, calm},
        {"vitals.memoryPressure", ear, 6, 5, 30, calm},
        {"vitals.diskFull", ear, 6, 5, 30, calm},
        {"network.speedTest", ear, 6, 5, 30, calm},
        {"network.offline", ear, 4, 0, 60, calm},
        {"network.online", ear, 4, 0, 60, calm},
        {"disk.appDeleted", card, 12, 0, 0, calm},
        {"disk.autoCleaned", card, 12, 0, 0, calm},
        {"disk.cleaned", ear, 4, 0, 0, calm},
        {"audio.headphonesConnected", ear, 4, 10, 60, calm},
        {"audio.headphonesLowBattery", card, 6, 5, 30, urgent},
        {"audio.outputSwitched", ear, 2, 0, 0, calm},
        {"audio.headphonesLowered", ear, 4, 5, 30, calm},
        {"audio.micKept", ear, 4, 5, 30, calm},
        {"audio.onCall", card, 10, 0, 0, calm},
        {"keepAwake.awaySummary", card, 6, 5, 0, urgent},
        {"keepAwake.awayFailed", card, 6, 5, 0, urgent},
        {"keepAwake.awayPhysical", card, 6, 60, 300, calm},
        {"app.updateReady", ear, 6, 5, 0, calm},
        {"pet.suggestion", card, 6, 5, 0, calm},
        {"pet.chatAnswer", card, 6, 0, 0, calm},
    };
    return rows;
}

}  // namespace

EventKindSpec spec(std::string_view kind)
{
    const auto& rows = table();
    auto row = std::find_if(rows.begin(), rows.end(), [kind](const EventKindSpec& s) { return s.id == kind; });
    if (row != rows.end())
        return *row;
    EventKindSpec fallback;
    fallback.id = std::string(kind);
    return fallback;
}

std::span<const EventKindSpec> distinctKinds() { return table(); }

}  // namespace corvane::EventCatalog
