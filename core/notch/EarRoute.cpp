#include "core/notch/EarRoute.h"

#include <algorithm>
#include <initializer_list>

namespace corvane::EarRoutes {

namespace {

using R = EarRoute;

constexpr std::array<Info, 13> routes{{
    {R::cutFiles, "Cut and moving files", "shelf", "Opens Stash › Shelf.", true},
    {R::copied, "Copied", "clipboard", "Opens Stash › Clipboard.", true},
    {R::aiAttention, "AI needs you or finished", "ai", "Opens Dev › AI.", true},
    {R::devServerStopped, "Dev server stopped", "devServers", "Opens Dev › Runtime.", true},
    {R::timerDone, "Timer done", "timers", "Opens Focus.", true},
    {R::meetingSoon, "Meeting soon", "calendar", "Opens Calendar.", true},
    {R::systemWarnings, "System warnings", "vitals", "CPU, memory, heat, disk or battery. Opens System › Vitals.", true},
    {R::audioOutput, "Audio output changed", "audio", "Opens System › Audio.", true},
    {R::updateReady, "Update ready", updateWindow, "A click opens the update window; pointing opens the notch as usual.",
     true},
    {R::aiWorking, "AI working", "ai",
     "Opens Dev › AI while an agent works. It works for a long time, so hovering would almost always go there.", false},
    {R::timerRunning, "Timer running", "timers", "Opens Focus while a timer runs.", false},
    {R::keepAwake, "Keep awake", "keepAwake", "Opens Focus › Keep awake while your computer stays awake.", false},
    {R::nowPlaying, "Now playing", "media", "Opens Now playing while music plays.", false},
}};

bool isOneOf(std::string_view kind, std::initializer_list<std::string_view> kinds)
{
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

}  // namespace

const std::array<Info, 13>& all() { return routes; }

const Info& info(EarRoute route) { return routes[static_cast<std::size_t>(route)]; }

bool defaultSwitch(EarRoute route) { return info(route).defaultOn; }

std::optional<EarRoute> route(std::string_view moduleID, std::string_view kind)
{
    if (isOneOf(kind, {"cut", "move", "undo"}))
        return moduleID == "shelf" ? std::optional(R::cutFiles) : std::nullopt;
    if (isOneOf(kind, {"clipboard.copied", "clipboard.hint"}))
        return R::copied;
    if (isOneOf(kind, {"ai.finished", "ai.stuck", "ai.limit", "ai.setupIssue", "ai.setupFixed"})
        || kind.starts_with("ai.limit"))
        return R::aiAttention;
    if (isOneOf(kind, {"devServers.down", "devServers.watch", "docker.exit"}))
        return R::devServerStopped;
    if (kind == "timers.done")
        return R::timerDone;
    if (isOneOf(kind, {"calendar.meeting", "calendar.countdown", "calendar.reminder"}))
        return R::meetingSoon;
    if (isOneOf(kind, {"vitals.cpuBusy", "vitals.hot", "vitals.memoryPressure", "vitals.diskFull", "vitals.lowBattery"}))
        return R::systemWarnings;
    if (isOneOf(kind, {"audio.outputSwitched", "audio.headphonesConnected"}))
        return R::audioOutput;
    if (kind == "ai.working")
        return R::aiWorking;
    if (kind == "timers.running")
        return R::timerRunning;
    if (kind == "keepAwake.session")
        return R::keepAwake;
    if (kind == "media.nowplaying")
        return R::nowPlaying;
    if (kind == "app.updateReady")
        return R::updateReady;
    return std::nullopt;
}

namespace {

std::optional<EarRoute> enabledRoute(const Activity& activity, const Switches& enabled)
{
    auto found = route(activity.moduleID, activity.kind);
    if (!found || !enabled(*found))
        return std::nullopt;
    return found;
}

}  // namespace

std::optional<std::string> hoverTarget(const Activity* activity, bool master, const Switches& enabled)
{
    if (!master || activity == nullptr)
        return std::nullopt;
    auto found = enabledRoute(*activity, enabled);
    if (!found || *found == R::updateReady)
        return std::nullopt;
    return std::string(info(*found).moduleID);
}

std::optional<std::string> clickTarget(const Activity* activity, bool master, const Switches& enabled)
{
    if (activity == nullptr)
        return std::nullopt;
    if (master) {
        if (auto found = enabledRoute(*activity, enabled))
            return std::string(info(*found).moduleID);
    }
    if (activity->kind == "app.updateReady")
        return std::nullopt;
    return activity->moduleID;
}

}  // namespace corvane::EarRoutes
