#include "core/notch/MovieMode.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <fmt/format.h>

namespace corvane::MovieMode {

namespace {

enum class Role { player, browser };

struct KnownApp {
    std::string_view desktopID;
    Role role;
};

// Video players and browsers by desktop-file id, as distribution packages
// and Flatpak install them.
constexpr std::array<KnownApp, 34> knownApps{{
    {"vlc.desktop", Role::player},
    {"org.videolan.VLC.desktop", Role::player},
    {"mpv.desktop", Role::player},
    {"io.mpv.Mpv.desktop", Role::player},
    {"org.gnome.Totem.desktop", Role::player},
    {"org.kde.dragonplayer.desktop", Role::player},
    {"org.kde.haruna.desktop", Role::player},
    {"io.github.celluloid_player.Celluloid.desktop", Role::player},
    {"smplayer.desktop", Role::player},
    {"com.github.rafostar.Clapper.desktop", Role::player},
    {"org.gnome.Showtime.desktop", Role::player},
    {"tv.plex.PlexDesktop.desktop", Role::player},
    {"com.github.iwalton3.jellyfin-media-player.desktop", Role::player},
    {"org.jellyfin.JellyfinDesktop.desktop", Role::player},
    {"kodi.desktop", Role::player},
    {"tv.kodi.Kodi.desktop", Role::player},
    {"firefox.desktop", Role::browser},
    {"firefox-esr.desktop", Role::browser},
    {"org.mozilla.firefox.desktop", Role::browser},
    {"google-chrome.desktop", Role::browser},
    {"com.google.Chrome.desktop", Role::browser},
    {"chromium.desktop", Role::browser},
    {"org.chromium.Chromium.desktop", Role::browser},
    {"microsoft-edge.desktop", Role::browser},
    {"com.microsoft.Edge.desktop", Role::browser},
    {"brave-browser.desktop", Role::browser},
    {"com.brave.Browser.desktop", Role::browser},
    {"opera.desktop", Role::browser},
    {"vivaldi-stable.desktop", Role::browser},
    {"com.vivaldi.Vivaldi.desktop", Role::browser},
    {"app.zen_browser.zen.desktop", Role::browser},
    {"org.gnome.Epiphany.desktop", Role::browser},
    {"org.kde.falkon.desktop", Role::browser},
    {"librewolf.desktop", Role::browser},
}};

std::string normalized(std::string_view desktopID)
{
    constexpr std::string_view suffix = ".desktop";
    std::string id(desktopID);
    if (!id.ends_with(suffix))
        id += suffix;
    return id;
}

bool hasRole(std::string_view desktopID, Role role)
{
    std::string id = normalized(desktopID);
    return std::any_of(knownApps.begin(), knownApps.end(),
                       [&](const KnownApp& app) { return app.role == role && app.desktopID == id; });
}

bool near(double a, double b) { return std::abs(a - b) <= 0.5; }

}  // namespace

bool isPlayer(std::string_view desktopID) { return hasRole(desktopID, Role::player); }

bool isBrowser(std::string_view desktopID) { return hasRole(desktopID, Role::browser); }

bool isWatching(bool enabled, bool fullScreen, const std::optional<std::string>& frontApp,
                const std::optional<Playing>& playing)
{
    if (!enabled || !fullScreen || !frontApp || frontApp->empty())
        return false;
    if (isPlayer(*frontApp))
        return true;
    // A full-screen browser may show slides or a document: only media it plays counts.
    return isBrowser(*frontApp) && playing && (!playing->app || normalized(*playing->app) == normalized(*frontApp));
}

bool covers(const Rect& window, const Rect& display, double safeTop)
{
    return near(window.minX(), display.minX()) && near(window.maxX(), display.maxX())
           && window.minY() <= display.minY() + 0.5 && display.maxY() - window.maxY() <= safeTop + 0.5;
}

EventDecision route(const EventDecision& decision, bool timeSensitive)
{
    if (const auto* show = decision.as<EventDecision::Show>())
        return timeSensitive ? EventDecision::show(EventStyle::ear, show->duration) : EventDecision::recordOnly();
    if (decision.as<EventDecision::Coalesce>() != nullptr && !timeSensitive)
        return EventDecision::recordOnly();
    return decision;
}

bool showsEar(const Activity& activity, bool timeSensitive) { return timeSensitive || activity.userAction.has_value(); }

std::optional<std::string> timeLeft(double duration, double position)
{
    if (!(duration > 0) || !(position < duration))
        return std::nullopt;
    auto left = static_cast<long long>(std::ceil(duration - std::max(position, 0.0)));
    long long hours = left / 3600;
    long long minutes = left / 60 % 60;
    long long seconds = left % 60;
    if (hours > 0)
        return fmt::format("-{}:{:02}:{:02}", hours, minutes, seconds);
    return fmt::format("-{}:{:02}", minutes, seconds);
}

}  // namespace corvane::MovieMode
