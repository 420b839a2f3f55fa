#pragma once
// Joinable video-meeting links in calendar events. Links come from event
// text that anyone can write into an invitation, so only https links on the
// four services' own meeting hosts count, without credentials or ports.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

namespace MeetingLink {

// Stored by case name.
enum class Service { zoom, meet, teams, webex };

// "Zoom", "Google Meet", "Teams", "Webex"
std::string_view title(Service service);

struct Link {
    Service service = Service::zoom;
    std::string url;                    // the validated https URL
    std::optional<std::string> appURL;  // opens the desktop client directly; Zoom only

    bool operator==(const Link&) const = default;
};

inline constexpr std::size_t maxURLLength = 2048;  // a link must be shorter
inline constexpr std::size_t maxTextBytes = 65536;  // longer texts are skipped whole
inline constexpr int maxCandidates = 50;            // matches looked at per text

std::optional<Link> validate(std::string_view url);

// The event's own URL field wins when it validates; otherwise the first
// valid link in the location, then in the notes.
std::optional<Link> detect(const std::optional<std::string>& url, const std::optional<std::string>& notes,
                           const std::optional<std::string>& location);

}  // namespace MeetingLink

template <>
struct EnumCases<MeetingLink::Service> {
    static constexpr std::array cases{
        std::pair{MeetingLink::Service::zoom, std::string_view("zoom")},
        std::pair{MeetingLink::Service::meet, std::string_view("meet")},
        std::pair{MeetingLink::Service::teams, std::string_view("teams")},
        std::pair{MeetingLink::Service::webex, std::string_view("webex")},
    };
};

}  // namespace corvane
