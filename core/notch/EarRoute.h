#pragma once
// Where pointing at or clicking an ear leads: each kind of ear activity has
// a route to the module whose surface opens, and each route has its own
// switch (on by default for the first nine).

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"
#include "core/notch/Activity.h"

namespace corvane {

enum class EarRoute {
    cutFiles,
    copied,
    aiAttention,
    devServerStopped,
    timerDone,
    meetingSoon,
    systemWarnings,
    audioOutput,
    updateReady,
    aiWorking,
    timerRunning,
    keepAwake,
    nowPlaying,
};

template <>
struct EnumCases<EarRoute> {
    static constexpr std::array cases{
        std::pair{EarRoute::cutFiles, std::string_view("cutFiles")},
        std::pair{EarRoute::copied, std::string_view("copied")},
        std::pair{EarRoute::aiAttention, std::string_view("aiAttention")},
        std::pair{EarRoute::devServerStopped, std::string_view("devServerStopped")},
        std::pair{EarRoute::timerDone, std::string_view("timerDone")},
        std::pair{EarRoute::meetingSoon, std::string_view("meetingSoon")},
        std::pair{EarRoute::systemWarnings, std::string_view("systemWarnings")},
        std::pair{EarRoute::audioOutput, std::string_view("audioOutput")},
        std::pair{EarRoute::updateReady, std::string_view("updateReady")},
        std::pair{EarRoute::aiWorking, std::string_view("aiWorking")},
        std::pair{EarRoute::timerRunning, std::string_view("timerRunning")},
        std::pair{EarRoute::keepAwake, std::string_view("keepAwake")},
        std::pair{EarRoute::nowPlaying, std::string_view("nowPlaying")},
    };
};

namespace EarRoutes {

// The pseudo-module id of the update window.
inline constexpr std::string_view updateWindow = "app.update";

struct Info {
    EarRoute route;
    std::string_view title;
    std::string_view moduleID;
    std::string_view help;
    bool defaultOn;
};

// Every route in settings order.
const std::array<Info, 13>& all();
const Info& info(EarRoute route);

// Whether a route's switch is on; the app reads it from the settings.
using Switches = std::function<bool(EarRoute)>;
// The default switches: on for the first nine routes.
bool defaultSwitch(EarRoute route);

// The route of an activity or ear alert, by its kind; none for kinds that lead nowhere.
std::optional<EarRoute> route(std::string_view moduleID, std::string_view kind);

// The module whose surface opens on pointing: none with `master`
// ("general.openEarTarget") off, without an activity, without an enabled
// route, and always for the update route.
std::optional<std::string> hoverTarget(const Activity* activity, bool master, const Switches& enabled);
// The same for a click, which without an enabled route falls back to the
// activity's own module (except for "app.updateReady").
std::optional<std::string> clickTarget(const Activity* activity, bool master, const Switches& enabled);

}  // namespace EarRoutes

}  // namespace corvane
