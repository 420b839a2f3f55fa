#pragma once
// The settings that decide one event, combined from the kind's own
// switches, the global alert preferences and the kind's defaults.

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"
#include "core/notch/AlertStyles.h"

namespace corvane {

class SettingsStore;

struct EventSettings {
    bool enabled = true;
    EventStyle style = EventStyle::card;
    double duration = 6.0;  // seconds, 1...60
    bool timeSensitive = false;
    double rateLimit = 30.0;      // seconds
    double coalesceWindow = 5.0;  // seconds
    CopyToastMode copyMode = CopyToastMode::actionable;
    bool quietSilences = true;  // quiet mode holds back what is not time-sensitive
    bool quietOn = false;

    bool operator==(const EventSettings&) const = default;
};

// What the settings pages offer per kind: where its alerts show.
enum class EventLook { ear, card, pet, both };

template <>
struct EnumCases<EventLook> {
    static constexpr std::array cases{
        std::pair{EventLook::ear, std::string_view("ear")},
        std::pair{EventLook::card, std::string_view("card")},
        std::pair{EventLook::pet, std::string_view("pet")},
        std::pair{EventLook::both, std::string_view("both")},
    };
};

constexpr std::string_view title(EventLook look)
{
    switch (look) {
    case EventLook::ear: return "Ear";
    case EventLook::card: return "Card";
    case EventLook::pet: return "Pet";
    case EventLook::both: return "Both";
    }
    return {};
}

inline constexpr double minimumEventDuration = 1.0;
inline constexpr double maximumEventDuration = 60.0;

// The effective settings of one event. `callerDuration` is how long the
// raising module would like it shown; the user's per-kind duration wins.
EventSettings eventSettings(SettingsStore& store, std::string_view kind, std::optional<double> callerDuration);

// The effective ".timeSensitive" switch of a kind, as the inbox asks it.
bool isTimeSensitive(SettingsStore& store, std::string_view kind);

// The look a kind has now. Without a pet that can carry alerts, it is the
// kind's ear or card.
EventLook eventLook(SettingsStore& store, std::string_view kind, bool petCan);
void setEventLook(SettingsStore& store, std::string_view kind, EventLook look, bool petCan);

}  // namespace corvane
