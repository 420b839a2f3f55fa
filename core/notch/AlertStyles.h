#pragma once
// The choices that decide how an alert looks and where it goes, shared by
// the settings catalogue, the event policy and the inbox. Raw values are
// what the settings file stores.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

// How one event kind is shown.
enum class EventStyle { ear, card };

// The global preference ("alerts.style"): cards, or ears wherever a kind allows.
enum class AlertStyle { card, ears };

// Which copy events raise a toast ("clipboard.copyToastMode").
enum class CopyToastMode { actionable, all, off };

// How the Notifications inbox groups its records ("alerts.grouping").
enum class NotificationGrouping { automatic, byApp, off };

// Where a kind goes while the pet is enabled (".petRoute"): the kind's own
// look in the notch, the pet alone, or both.
enum class PetRoute { notch, pet, both };

template <>
struct EnumCases<EventStyle> {
    static constexpr std::array cases{
        std::pair{EventStyle::ear, std::string_view("ear")},
        std::pair{EventStyle::card, std::string_view("card")},
    };
};

template <>
struct EnumCases<AlertStyle> {
    static constexpr std::array cases{
        std::pair{AlertStyle::card, std::string_view("card")},
        std::pair{AlertStyle::ears, std::string_view("ears")},
    };
};

template <>
struct EnumCases<CopyToastMode> {
    static constexpr std::array cases{
        std::pair{CopyToastMode::actionable, std::string_view("actionable")},
        std::pair{CopyToastMode::all, std::string_view("all")},
        std::pair{CopyToastMode::off, std::string_view("off")},
    };
};

template <>
struct EnumCases<NotificationGrouping> {
    static constexpr std::array cases{
        std::pair{NotificationGrouping::automatic, std::string_view("automatic")},
        std::pair{NotificationGrouping::byApp, std::string_view("byApp")},
        std::pair{NotificationGrouping::off, std::string_view("off")},
    };
};

template <>
struct EnumCases<PetRoute> {
    static constexpr std::array cases{
        std::pair{PetRoute::notch, std::string_view("notch")},
        std::pair{PetRoute::pet, std::string_view("pet")},
        std::pair{PetRoute::both, std::string_view("both")},
    };
};

constexpr std::string_view title(NotificationGrouping grouping)
{
    switch (grouping) {
    case NotificationGrouping::automatic: return "Automatic";
    case NotificationGrouping::byApp: return "By App";
    case NotificationGrouping::off: return "Off";
    }
    return {};
}

}  // namespace corvane
