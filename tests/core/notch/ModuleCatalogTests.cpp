#include <algorithm>
#include <cctype>
#include <set>

#include <gtest/gtest.h>

#include "core/notch/ModuleCatalog.h"

using namespace corvane;

namespace {

// Every kind a module raises, with its on/history/ears/notify flags.
const std::map<std::string, std::string> expectedFlags = {
    {"toolbox.detect", "1010"}, {"clipboard.copied", "1010"}, {"projects.commandFinished", "1110"},
    {"projects.inbound", "1110"}, {"git.reviewsWaiting", "1110"}, {"ai.stuck", "1110"},
    {"ai.limitReached", "1110"}, {"ai.setupIssue", "1110"}, {"ai.localModel", "1110"},
    {"shelf.exportFinished", "1110"}, {"calendar.meeting", "1110"}, {"calendar.reminder", "1100"},
    {"messages.incoming", "1110"}, {"timers.hydrate", "1110"}, {"vitals.lowBattery", "1110"},
    {"vitals.cpuBusy", "1110"}, {"vitals.hot", "1111"}, {"vitals.memoryPressure", "1110"},
    {"vitals.diskFull", "1111"}, {"network.speedTest", "1110"}, {"network.offline", "1110"},
    {"network.online", "1110"}, {"disk.appDeleted", "1110"}, {"disk.autoCleaned", "1110"},
    {"disk.cleaned", "1110"}, {"audio.headphonesConnected", "1010"}, {"audio.headphonesLowBattery", "1110"},
    {"audio.outputSwitched", "1010"}, {"audio.headphonesLowered", "1110"}, {"audio.micKept", "1110"},
    {"audio.onCall", "1110"}, {"keepAwake.awaySummary", "1110"}, {"keepAwake.awayFailed", "1110"},
    {"keepAwake.awayPhysical", "1110"}, {"devServers.up", "0110"}, {"devServers.down", "1110"},
    {"devServers.watch", "1110"}, {"docker.exit", "1110"}, {"git.ciPass", "0110"}, {"git.ciFail", "0110"},
    {"git.review", "0110"}, {"ai.working", "1110"}, {"ai.finished", "1110"}, {"ai.limitWarn", "1110"},
    {"ai.limitHigh", "1110"}, {"ai.limitReset", "1110"}, {"brew.outdated", "0110"}, {"shelf.moved", "1110"},
    {"shelf.movePartial", "1110"}, {"shelf.needsFinder", "1110"}, {"shelf.imageSaved", "1110"},
    {"timers.done", "1110"}, {"vitals.charging", "1110"}, {"audio.hud", "1110"}, {"keepAwake.ended", "1110"},
    {"keepAwake.workDone", "1110"}, {"keepAwake.thermal", "1110"}, {"keepAwake.battery", "1110"},
};

std::string flags(const AlertKind& kind)
{
    std::string out;
    for (bool flag : {kind.defaultOn, kind.keepsHistory, kind.defaultEars, kind.defaultNotify})
        out += flag ? '1' : '0';
    return out;
}

}  // namespace

TEST(ModuleCatalog, every_kind_belongs_to_the_module_its_prefix_names_with_its_flags)
{
    std::map<std::string, std::string> found;
    for (const auto& module : ModuleCatalog::all()) {
        for (const auto& kind : module.alertKinds) {
            EXPECT_EQ(kind.id.substr(0, kind.id.find('.')), module.id) << kind.id;
            EXPECT_TRUE(found.emplace(kind.id, flags(kind)).second) << "listed twice: " << kind.id;
        }
    }
    EXPECT_EQ(found, expectedFlags);
}

TEST(ModuleCatalog, every_title_of_the_settings_pages_is_given_once)
{
    const std::vector<std::string> titles = {
        "Dev server started", "Dev server stopped", "Watched port changed", "Container exited with error",
        "CI passed", "CI failed", "Review requested", "Pull requests to review", "Long command finished",
        "From scripts and Shortcuts", "Agent working", "Agent finished", "Agent may be waiting for you",
        "Usage limit: first threshold", "Usage limit: second threshold", "Usage limit reached",
        "Usage window reset", "AI setup issue", "Local model loaded", "New updates available",
        "Smart clipboard detection", "Text copied", "Files moved", "Files partly moved", "Couldn’t reach Finder",
        "Image saved", "Finished export", "Meeting starting soon", "Reminder due", "Hydration reminder",
        "Incoming message", "Charger plugged in or out", "Low battery", "CPU busy for a while",
        "Computer is running hot", "Memory pressure is high", "Disk almost full", "Speed test finished", "Back online",
        "App deleted, leftovers found", "Leftovers cleaned automatically", "Space freed",
        "Volume & brightness HUD", "Headphones connected", "Headphones battery low", "Output switched",
        "Volume lowered when headphones disconnect", "Microphone kept as input", "On a call", "Keep awake ended",
        "Work done, sleep allowed", "Stopped: computer too hot", "Stopped: battery low", "Back from Step away",
        "Step away couldn't lock", "Charger or lid while away"};
    std::multiset<std::string> given;
    for (const AlertKind* kind : ModuleCatalog::allAlertKinds())
        given.insert(kind->title);
    for (const auto& title : titles)
        EXPECT_EQ(given.count(title), 1u) << title;
    EXPECT_EQ(ModuleCatalog::alertKind("network.online")->title, "Back online");
    EXPECT_EQ(ModuleCatalog::alertKind("shelf.needsFinder")->title, "Couldn’t reach Finder");
}

TEST(ModuleCatalog, the_three_module_less_kinds_are_found_but_listed_by_no_module)
{
    for (const AlertKind* kind : {&ModuleCatalog::petSuggestion(), &ModuleCatalog::petChatAnswer(),
                                  &ModuleCatalog::appUpdateReady()}) {
        EXPECT_EQ(ModuleCatalog::alertKind(kind->id), kind);
        EXPECT_FALSE(expectedFlags.contains(kind->id));
    }
    EXPECT_EQ(ModuleCatalog::petSuggestion().id, "pet.suggestion");
    EXPECT_EQ(ModuleCatalog::petChatAnswer().id, "pet.chatAnswer");
    EXPECT_EQ(ModuleCatalog::appUpdateReady().id, "app.updateReady");
    EXPECT_EQ(ModuleCatalog::alertKind("ai.unknown"), nullptr);
}

TEST(ModuleCatalog, groups_presets_and_ear_modules_refer_to_real_modules)
{
    std::set<std::string> ids;
    std::size_t grouped = 0;
    for (ModuleGroup group : {ModuleGroup::home, ModuleGroup::dev, ModuleGroup::tools, ModuleGroup::life,
                              ModuleGroup::system})
        grouped += ModuleCatalog::modules(group).size();
    EXPECT_EQ(grouped, ModuleCatalog::all().size());
    auto isWord = [](const std::string& id) {
        return !id.empty() && std::islower(static_cast<unsigned char>(id[0]))
            && std::all_of(id.begin(), id.end(), [](unsigned char c) { return std::isalpha(c); });
    };
    auto isColour = [](const std::string& hex) {
        return hex.size() == 7 && hex[0] == '#'
            && std::all_of(hex.begin() + 1, hex.end(), [](char c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); });
    };
    for (const auto& module : ModuleCatalog::all()) {
        EXPECT_TRUE(ids.insert(module.id).second) << module.id;
        EXPECT_TRUE(isWord(module.id)) << module.id;
        EXPECT_TRUE(isColour(module.accentHex)) << module.id;
        EXPECT_EQ(ModuleCatalog::descriptor(module.id), &module);
    }
    for (const auto& id : ModuleCatalog::liveEarModules())
        EXPECT_TRUE(ids.contains(id)) << id;
    for (ModulePreset preset : {ModulePreset::developer, ModulePreset::everyday, ModulePreset::minimal}) {
        for (const auto& id : ModuleCatalog::moduleIDs(preset))
            EXPECT_TRUE(ids.contains(id)) << id;
    }
    EXPECT_EQ(ModuleCatalog::descriptor("nosuchmodule"), nullptr);
}
