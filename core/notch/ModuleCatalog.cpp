#include "core/notch/ModuleCatalog.h"

#include <unordered_map>

namespace corvane {

namespace {

// The switch defaults of a kind as on/history/ears/notify.
AlertKind kind(std::string id, std::string title, bool on = true, bool history = true, bool ears = true,
               bool notify = false)
{
    return AlertKind{std::move(id), std::move(title), on, history, ears, notify};
}

constexpr bool off = false;

std::vector<ModuleDescriptor> buildCatalog()
{
    using G = ModuleGroup;
    return {
        {"ai", "AI Agents", "sparkles", G::dev, "Coding agent sessions, their usage and cost, and plan limits.",
         "#AF52DE",
         {
             kind("ai.working", "Agent working"),
             kind("ai.finished", "Agent finished"),
             kind("ai.stuck", "Agent may be waiting for you"),
             kind("ai.limitWarn", "Usage limit: first threshold"),
             kind("ai.limitHigh", "Usage limit: second threshold"),
             kind("ai.limitReached", "Usage limit reached"),
             kind("ai.limitReset", "Usage window reset"),
             kind("ai.setupIssue", "AI setup issue"),
             kind("ai.localModel", "Local model loaded"),
         },
         true, 1},
        {"devServers", "Dev Servers", "server.rack", G::dev,
         "Development servers on local ports, their health, and a safe stop or restart.", "#34C759",
         {
             kind("devServers.up", "Dev server started", off),
             kind("devServers.down", "Dev server stopped"),
             kind("devServers.watch", "Watched port changed"),
         },
         true, 1},
        {"docker", "Containers", "shippingbox", G::dev, "Containers of the local container engine.", "#0A84FF",
         {kind("docker.exit", "Container exited with error")}, true, 2},
        {"git", "Repositories", "arrow.triangle.branch", G::dev, "Repositories, pull requests and CI runs.",
         "#FF9F0A",
         {
             kind("git.ciPass", "CI passed", off),
             kind("git.ciFail", "CI failed", off),
             kind("git.review", "Review requested", off),
             kind("git.reviewsWaiting", "Pull requests to review"),
         },
         true, 2},
        {"projects", "Projects", "folder", G::dev, "Your code projects, their scripts and long terminal commands.",
         "#5E5CE6",
         {
             kind("projects.commandFinished", "Long command finished"),
             kind("projects.inbound", "From scripts and Shortcuts"),
         },
         true, 2},
        {"toolbox", "Toolbox", "wrench.and.screwdriver", G::dev,
         "Developer utilities for JSON, tokens, hashes, timestamps, colours and more.", "#8E8E93",
         {kind("toolbox.detect", "Smart clipboard detection", true, off)}, true, 3},
        {"keepAwake", "Keep Awake", "cup.and.saucer", G::system,
         "Keeps the machine awake while work runs, with guardrails and Step away.", "#FFD60A",
         {
             kind("keepAwake.ended", "Keep awake ended"),
             kind("keepAwake.workDone", "Work done, sleep allowed"),
             kind("keepAwake.thermal", "Stopped: computer too hot"),
             kind("keepAwake.battery", "Stopped: battery low"),
             kind("keepAwake.awaySummary", "Back from Step away"),
             kind("keepAwake.awayFailed", "Step away couldn't lock"),
             kind("keepAwake.awayPhysical", "Charger or lid while away"),
         },
         true, 1},
        {"media", "Now Playing", "music.note", G::home, "The media that is playing, with synchronised lyrics.",
         "#FF375F", {}, true, 1},
        {"clipboard", "Clipboard", "doc.on.clipboard", G::tools, "Clipboard history, clean links and snippets.",
         "#30B0C7", {kind("clipboard.copied", "Text copied", true, off)}, true, 1},
        {"shelf", "Shelf", "tray.full", G::tools, "A shelf for files on their way somewhere else.", "#64D2FF",
         {
             kind("shelf.moved", "Files moved"),
             kind("shelf.movePartial", "Files partly moved"),
             kind("shelf.needsFinder", "Couldn’t reach Finder"),
             kind("shelf.imageSaved", "Image saved"),
             kind("shelf.exportFinished", "Finished export"),
         },
         true, 2},
        {"notes", "Notes", "note.text", G::tools, "Quick notes kept at hand.", "#FFD60A", {}, true, 3},
        {"calendar", "Calendar", "calendar", G::life, "Meeting countdowns with join links, and reminders.",
         "#FF453A",
         {
             kind("calendar.meeting", "Meeting starting soon"),
             kind("calendar.reminder", "Reminder due", true, true, off),
         },
         true, 2},
        {"timers", "Timers", "timer", G::life, "Timers and hydration reminders.", "#FF9F0A",
         {
             kind("timers.done", "Timer done"),
             kind("timers.hydrate", "Hydration reminder"),
         },
         true, 2},
        {"messages", "Messages", "message", G::life, "Incoming messages from your chat apps.", "#34C759",
         {kind("messages.incoming", "Incoming message")}, false, 3},
        {"clock", "World Clock", "globe", G::life, "The time in the places you work with.", "#63E6BE", {}, true, 3},
        {"weather", "Weather", "cloud.sun", G::home, "The forecast for where you are or a city you choose.",
         "#64D2FF", {}, true, 3},
        {"pet", "Pet", "pawprint", G::home, "A small companion that brings news, reacts and chats.", "#AC8E68",
         {}, true, 3},
        {"vitals", "Vitals", "gauge", G::system, "Battery, processor, memory, heat and disk space.", "#34C759",
         {
             kind("vitals.charging", "Charger plugged in or out"),
             kind("vitals.lowBattery", "Low battery"),
             kind("vitals.cpuBusy", "CPU busy for a while"),
             kind("vitals.hot", "Computer is running hot", true, true, true, true),
             kind("vitals.memoryPressure", "Memory pressure is high"),
             kind("vitals.diskFull", "Disk almost full", true, true, true, true),
         },
         true, 2},
        {"network", "Network", "network", G::system, "Interfaces, reachability, tunnels and speed tests.", "#0A84FF",
         {
             kind("network.speedTest", "Speed test finished"),
             kind("network.online", "Back online"),
             kind("network.offline", "Went offline"),
         },
         true, 3},
        {"audio", "Audio", "speaker.wave.2", G::system,
         "Output switching, the per-app mixer, microphone rules and headphone battery.", "#5E5CE6",
         {
             kind("audio.hud", "Volume & brightness HUD"),
             kind("audio.headphonesConnected", "Headphones connected", true, off),
             kind("audio.headphonesLowBattery", "Headphones battery low"),
             kind("audio.outputSwitched", "Output switched", true, off),
             kind("audio.headphonesLowered", "Volume lowered when headphones disconnect"),
             kind("audio.micKept", "Microphone kept as input"),
             kind("audio.onCall", "On a call"),
         },
         true, 3},
        {"disk", "Maintenance", "externaldrive", G::system, "Caches, leftovers, build folders and old downloads.",
         "#8E8E93",
         {
             kind("disk.appDeleted", "App deleted, leftovers found"),
             kind("disk.autoCleaned", "Leftovers cleaned automatically"),
             kind("disk.cleaned", "Space freed"),
         },
         true, 3},
        {"brew", "Homebrew", "mug", G::system, "Updates for the packages Homebrew installed.", "#FF9F0A",
         {kind("brew.outdated", "New updates available", off)}, true, 3},
        {"capture", "Capture", "camera.viewfinder", G::tools, "Camera mirror, screen text and the colour picker.",
         "#FF375F", {}, false, 3},
        {"keyguard", "Keyboard Guard", "keyboard", G::tools, "Quit protection and a keyboard lock for cleaning.",
         "#8E8E93", {}, true, 3},
    };
}

struct Catalog {
    std::vector<ModuleDescriptor> modules = buildCatalog();
    AlertKind petSuggestion = kind("pet.suggestion", "Pet suggestion");
    AlertKind petChatAnswer = kind("pet.chatAnswer", "Pet answer");
    AlertKind appUpdateReady = kind("app.updateReady", "Update ready");
    std::set<std::string, std::less<>> liveEarModules = {"ai",       "devServers", "docker", "keepAwake", "media",
                                                         "timers",   "calendar",   "shelf",  "network",   "audio"};
    std::vector<const AlertKind*> kinds = [this] {
        std::vector<const AlertKind*> out;
        for (const auto& module : modules) {
            for (const auto& alertKind : module.alertKinds)
                out.push_back(&alertKind);
        }
        out.push_back(&petSuggestion);
        out.push_back(&petChatAnswer);
        out.push_back(&appUpdateReady);
        return out;
    }();
    std::unordered_map<std::string_view, const AlertKind*> kindsByID = [this] {
        std::unordered_map<std::string_view, const AlertKind*> map;
        for (const AlertKind* alertKind : kinds)
            map.emplace(alertKind->id, alertKind);
        return map;
    }();
};

const Catalog& catalog()
{
    static const Catalog built;
    return built;
}

}  // namespace

std::string_view title(ModuleGroup group)
{
    switch (group) {
    case ModuleGroup::home: return "Home";
    case ModuleGroup::dev: return "Dev";
    case ModuleGroup::tools: return "Tools";
    case ModuleGroup::life: return "Life";
    case ModuleGroup::system: return "System";
    }
    return {};
}

std::string_view title(ModulePreset preset)
{
    switch (preset) {
    case ModulePreset::developer: return "Developer";
    case ModulePreset::everyday: return "Everyday";
    case ModulePreset::minimal: return "Minimal";
    }
    return {};
}

namespace ModuleCatalog {

const std::vector<ModuleDescriptor>& all() { return catalog().modules; }

const std::set<std::string, std::less<>>& liveEarModules() { return catalog().liveEarModules; }

std::vector<const ModuleDescriptor*> modules(ModuleGroup group)
{
    std::vector<const ModuleDescriptor*> out;
    for (const auto& module : all()) {
        if (module.group == group)
            out.push_back(&module);
    }
    return out;
}

const ModuleDescriptor* descriptor(std::string_view id)
{
    for (const auto& module : all()) {
        if (module.id == id)
            return &module;
    }
    return nullptr;
}

const AlertKind& petSuggestion() { return catalog().petSuggestion; }
const AlertKind& petChatAnswer() { return catalog().petChatAnswer; }
const AlertKind& appUpdateReady() { return catalog().appUpdateReady; }

const AlertKind* alertKind(std::string_view kindID)
{
    const auto& map = catalog().kindsByID;
    auto found = map.find(kindID);
    return found == map.end() ? nullptr : found->second;
}

std::vector<const AlertKind*> allAlertKinds() { return catalog().kinds; }

std::vector<std::string> moduleIDs(ModulePreset preset)
{
    switch (preset) {
    case ModulePreset::developer:
        return {"ai", "devServers", "docker", "git", "projects", "toolbox", "keepAwake", "media", "clipboard",
                "shelf", "calendar", "timers", "vitals", "network", "disk", "brew"};
    case ModulePreset::everyday:
        return {"media", "clipboard", "shelf", "notes", "calendar", "timers", "messages", "clock", "weather", "pet",
                "keepAwake", "vitals", "audio"};
    case ModulePreset::minimal:
        return {"ai", "keepAwake", "media", "clipboard"};
    }
    return {};
}

}  // namespace ModuleCatalog

}  // namespace corvane
