#pragma once
// The kinds of event and how each is shown unless the user says otherwise.

#include <span>
#include <string>
#include <string_view>

#include "core/notch/AlertStyles.h"

namespace corvane {

struct EventKindSpec {
    std::string id;
    EventStyle defaultStyle = EventStyle::card;
    double defaultDuration = 6.0;  // seconds
    double coalesceWindow = 5.0;   // seconds; 0 = never coalesce
    double rateLimit = 30.0;       // seconds; 0 = none
    bool timeSensitive = false;

    bool operator==(const EventKindSpec&) const = default;
};

namespace EventCatalog {

// The defaults of a kind; a kind without a row of its own gets the
// standard defaults under its own id.
EventKindSpec spec(std::string_view kind);

// The kinds whose defaults differ from the standard ones.
std::span<const EventKindSpec> distinctKinds();

}  // namespace EventCatalog

}  // namespace corvane
