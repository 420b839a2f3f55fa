#pragma once
// Movie mode keeps alerts out of the way of full-screen video: while the
// active window is a full-screen video player, or a full-screen browser
// that plays media, only time-sensitive alerts show, and only as ears.
// Applications are named by their desktop-file ids ("vlc.desktop"); an id
// given without the ".desktop" suffix, as media players report their
// desktop entry, means the same application.

#include <optional>
#include <string>
#include <string_view>

#include "core/notch/Activity.h"
#include "core/notch/EventPolicy.h"
#include "core/notch/Rect.h"

namespace corvane {

namespace MovieMode {

// What the media reader says plays, if anything.
struct Playing {
    std::optional<std::string> app;  // desktop-file id of the playing application; none when unknown
    bool operator==(const Playing&) const = default;
};

bool isPlayer(std::string_view desktopID);
bool isBrowser(std::string_view desktopID);

// `enabled` is "general.movieMode"; `playing` is none when nothing plays.
bool isWatching(bool enabled, bool fullScreen, const std::optional<std::string>& frontApp,
                const std::optional<Playing>& playing);

// Whether the window fills the display, within half a point, leaving at
// most `safeTop` points at the bottom.
bool covers(const Rect& window, const Rect& display, double safeTop);

// A decision of the alert policy while watching.
EventDecision route(const EventDecision& decision, bool timeSensitive);
// Whether an activity may take the ears while watching.
bool showsEar(const Activity& activity, bool timeSensitive);
// The time left of what plays, as the ear shows it ("-12:34", "-1:02:03");
// none without a positive duration or past the end.
std::optional<std::string> timeLeft(double duration, double position);

}  // namespace MovieMode

}  // namespace corvane
