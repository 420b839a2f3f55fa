#pragma once
// The read-only catalogue of the program's modules and of the alert kinds
// each one raises, with the defaults of their switches. Built once; safe to
// read from any thread.

#include <array>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"

namespace corvane {

// Where a module belongs in settings and onboarding.
enum class ModuleGroup { home, dev, tools, life, system };

// A starting selection of modules offered during onboarding.
enum class ModulePreset { developer, everyday, minimal };

template <>
struct EnumCases<ModuleGroup> {
    static constexpr std::array cases{
        std::pair{ModuleGroup::home, std::string_view("home")},
        std::pair{ModuleGroup::dev, std::string_view("dev")},
        std::pair{ModuleGroup::tools, std::string_view("tools")},
        std::pair{ModuleGroup::life, std::string_view("life")},
        std::pair{ModuleGroup::system, std::string_view("system")},
    };
};

template <>
struct EnumCases<ModulePreset> {
    static constexpr std::array cases{
        std::pair{ModulePreset::developer, std::string_view("developer")},
        std::pair{ModulePreset::everyday, std::string_view("everyday")},
        std::pair{ModulePreset::minimal, std::string_view("minimal")},
    };
};

std::string_view title(ModuleGroup group);
std::string_view title(ModulePreset preset);

// One kind of alert ("ai.finished") and the defaults of its switches.
struct AlertKind {
    std::string id;
    std::string title;
    bool defaultOn = true;
    bool keepsHistory = true;
    bool defaultEars = true;
    bool defaultNotify = false;

    bool operator==(const AlertKind&) const = default;
};

struct ModuleDescriptor {
    std::string id;       // a single word, "weather", "devServers"
    std::string title;
    std::string symbol;   // icon name
    ModuleGroup group = ModuleGroup::home;
    std::string summary;
    std::string accentHex;  // "#34C759"
    std::vector<AlertKind> alertKinds;
    bool defaultEnabled = true;
    int stage = 1;  // the onboarding stage that introduces the module

    bool operator==(const ModuleDescriptor&) const = default;
};

namespace ModuleCatalog {

// Every module, in catalogue order.
const std::vector<ModuleDescriptor>& all();
// Modules whose live activity may own an ear.
const std::set<std::string, std::less<>>& liveEarModules();
std::vector<const ModuleDescriptor*> modules(ModuleGroup group);
const ModuleDescriptor* descriptor(std::string_view id);

// Kinds raised outside any module's list.
const AlertKind& petSuggestion();
const AlertKind& petChatAnswer();
const AlertKind& appUpdateReady();

// A kind of any module or one of the three above; null when unknown.
const AlertKind* alertKind(std::string_view kindID);
// Every kind: the modules' in catalogue order, then the three above.
std::vector<const AlertKind*> allAlertKinds();

// The modules a preset switches on.
std::vector<std::string> moduleIDs(ModulePreset preset);

}  // namespace ModuleCatalog

}  // namespace corvane
