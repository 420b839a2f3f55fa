#include "core/notch/Keys.h"

#include <algorithm>
#include <unordered_map>

#include "core/notch/EarRoute.h"
#include "core/notch/ModuleCatalog.h"

namespace corvane {

namespace {

std::string alertSwitchName(std::string_view kind, std::string_view suffix)
{
    return "alert." + std::string(kind) + std::string(suffix);
}

std::string moduleSwitchName(std::string_view moduleID, std::string_view suffix)
{
    return "module." + std::string(moduleID) + std::string(suffix);
}

// The kinds whose forwarding during Step away the user can switch.
constexpr std::string_view forwardableKinds[] = {"ai.stuck", "ai.finished", "git.ciFail", "keepAwake.thermal",
                                                 "keepAwake.battery"};

std::vector<SettingsIndexEntry> buildIndex()
{
    std::vector<SettingsIndexEntry> entries;
    auto add = [&](IndexedKey key) { entries.push_back(SettingsIndexEntry{std::move(key), {}}); };
    add(IndexedKey::of(Keys::display));
    add(IndexedKey::of(Keys::islandOnExternal));
    add(IndexedKey::of(Keys::openOnHover));
    add(IndexedKey::of(Keys::openEarTarget));
    add(IndexedKey::of(Keys::hoverDelayMs));
    add(IndexedKey::of(Keys::collapseDelayMs));
    add(IndexedKey::of(Keys::swipeGestures));
    add(IndexedKey::of(Keys::openOnDrag));
    add(IndexedKey::of(Keys::haptics));
    add(IndexedKey::of(Keys::movieMode));
    add(IndexedKey::of(Keys::launchAtLogin));
    add(IndexedKey::of(Keys::alwaysShowDock));
    add(IndexedKey::of(Keys::musicInFront));
    add(IndexedKey::of(Keys::otherActivityGlance));
    add(IndexedKey::of(Keys::musicGlanceMinutes));
    add(IndexedKey::of(Keys::dualEars));
    add(IndexedKey::of(Keys::showRestingEars));
    add(IndexedKey::of(Keys::restingLeft));
    add(IndexedKey::of(Keys::restingRight));
    add(IndexedKey::of(Keys::earWidth));
    add(IndexedKey::of(Keys::earFitMenuBar));
    for (const auto& route : EarRoutes::all())
        add(IndexedKey::of(EarRouteSwitch::enabled(route.route)));
    add(IndexedKey::of(Keys::dockOrder));
    add(IndexedKey::of(Keys::dockHidden));
    add(IndexedKey::of(Keys::dockOverflow));
    add(IndexedKey::of(Keys::notchTheme));
    add(IndexedKey::of(Keys::notchGlass));
    add(IndexedKey::of(Keys::animationSpeed));
    add(IndexedKey::of(Keys::reduceEffects));
    add(IndexedKey::of(Keys::chromeAppearance));
    add(IndexedKey::of(Keys::alertStyle));
    add(IndexedKey::of(Keys::alertCardSize));
    add(IndexedKey::of(Keys::alertDuration));
    add(IndexedKey::of(Keys::messageTimeout));
    add(IndexedKey::of(Keys::notificationGrouping));
    add(IndexedKey::of(Keys::respectFocus));
    add(IndexedKey::of(Keys::muteAll));
    add(IndexedKey::of(Keys::eventsCoalesceSec));
    add(IndexedKey::of(Keys::quietMode));
    add(IndexedKey::of(Keys::quietUntil));
    add(IndexedKey::of(Keys::redactPreviews));
    add(IndexedKey::of(Keys::eventKeyboardShortcuts));
    add(IndexedKey::of(Keys::hoverCards));
    add(IndexedKey::of(Keys::hoverDelayMsCards));
    add(IndexedKey::of(Keys::soundsEnabled));
    add(IndexedKey::of(Keys::soundsVolume));
    add(IndexedKey::of(Keys::onboardingCompletedVersion));
    add(IndexedKey::of(Keys::onboardingResumeOnLaunch));
    add(IndexedKey::of(Keys::onboardingProgress));
    add(IndexedKey::of(Keys::crashReports));
    add(IndexedKey::of(Keys::crashReportsSeen));
    add(IndexedKey::of(Keys::aiAgents));
    add(IndexedKey::of(Keys::claudeHookInbox));
    add(IndexedKey::of(Keys::aiHistoryHidden));
    add(IndexedKey::of(Keys::aiLimitEarAt));
    add(IndexedKey::of(Keys::aiLimitResetAlert));
    add(IndexedKey::of(Keys::aiLimitStaleMinutes));
    add(IndexedKey::of(Keys::aiLimitThresholds));
    add(IndexedKey::of(Keys::aiLimitsClaude));
    add(IndexedKey::of(Keys::aiLimitsCodex));
    add(IndexedKey::of(Keys::aiPriceOverrides));
    add(IndexedKey::of(Keys::aiRestartBoot));
    add(IndexedKey::of(Keys::aiRestartSessions));
    add(IndexedKey::of(Keys::aiStuckMinutes));
    add(IndexedKey::of(Keys::aiLimitsClaudeOAuth));
    add(IndexedKey::of(Keys::audioMicMuteLedger));
    add(IndexedKey::of(Keys::audioRules));
    add(IndexedKey::of(Keys::headphonesShowBattery));
    add(IndexedKey::of(Keys::awayAfterUnlock));
    add(IndexedKey::of(Keys::awayCapHours));
    add(IndexedKey::of(Keys::awayPhoneAsked));
    add(IndexedKey::of(Keys::awayPhysicalAlerts));
    add(IndexedKey::of(Keys::awayScreenNeedingExtra));
    add(IndexedKey::of(Keys::awaySilence));
    add(IndexedKey::of(Keys::awaySleepWhenWorkDone));
    add(IndexedKey::of(Keys::calendarIDs));
    add(IndexedKey::of(Keys::calendarLeadMinutes));
    add(IndexedKey::of(Keys::captureColorFormat));
    add(IndexedKey::of(Keys::clipboardAlwaysPlainText));
    add(IndexedKey::of(Keys::clipboardCleanLinks));
    add(IndexedKey::of(Keys::clipboardClearAfter));
    add(IndexedKey::of(Keys::clipboardClearOnLock));
    add(IndexedKey::of(Keys::clipboardClearOnSleep));
    add(IndexedKey::of(Keys::copyToastMode));
    add(IndexedKey::of(Keys::clipboardExcludedApps));
    add(IndexedKey::of(Keys::clipboardLimit));
    add(IndexedKey::of(Keys::commandHookEnabled));
    add(IndexedKey::of(Keys::commandHookOnlyWhenBackground));
    add(IndexedKey::of(Keys::commandHookThresholdSec));
    add(IndexedKey::of(Keys::commandHookLastEvent));
    add(IndexedKey::of(Keys::devServersAlertAllListeners));
    add(IndexedKey::of(Keys::devServersFavoritePorts));
    add(IndexedKey::of(Keys::devServersIgnoredPorts));
    add(IndexedKey::of(Keys::devServersScanInterval));
    add(IndexedKey::of(Keys::devServersWatchedPorts));
    add(IndexedKey::of(Keys::finderCutPaste));
    add(IndexedKey::of(Keys::finderPasteImages));
    add(IndexedKey::of(Keys::gitRoots));
    add(IndexedKey::of(Keys::gitTrusted));
    add(IndexedKey::of(Keys::homeShortcutTiles));
    add(IndexedKey::of(Keys::homeWidgetSizes));
    add(IndexedKey::of(Keys::homeWidgets));
    add(IndexedKey::of(Keys::hotkeyAway));
    add(IndexedKey::of(Keys::hotkeyCleaning));
    add(IndexedKey::of(Keys::hotkeyClipboard));
    add(IndexedKey::of(Keys::hotkeyColor));
    add(IndexedKey::of(Keys::hotkeyKeepAwakeAuto));
    add(IndexedKey::of(Keys::hotkeyKeepAwakeLid));
    add(IndexedKey::of(Keys::hotkeyKeepAwakeStop));
    add(IndexedKey::of(Keys::hotkeyMuteMics));
    add(IndexedKey::of(Keys::hotkeyNotch));
    add(IndexedKey::of(Keys::hotkeyOCR));
    add(IndexedKey::of(Keys::hotkeyPalette));
    add(IndexedKey::of(Keys::hotkeyQuiet));
    add(IndexedKey::of(Keys::hotkeySwitchOutput));
    add(IndexedKey::of(Keys::integrationsCalls));
    add(IndexedKey::of(Keys::integrationsExports));
    add(IndexedKey::of(Keys::integrationsExportsFolder));
    add(IndexedKey::of(Keys::integrationsInbound));
    add(IndexedKey::of(Keys::integrationsLocalModels));
    add(IndexedKey::of(Keys::integrationsReviews));
    add(IndexedKey::of(Keys::keepAwakeAllowDisplaySleep));
    add(IndexedKey::of(Keys::keepAwakeAutoEnabled));
    add(IndexedKey::of(Keys::keepAwakeCustomRules));
    add(IndexedKey::of(Keys::keepAwakeGraceSeconds));
    add(IndexedKey::of(Keys::keepAwakeGuardrails));
    add(IndexedKey::of(Keys::keepAwakeLidChoice));
    add(IndexedKey::of(Keys::keepAwakeLidHours));
    add(IndexedKey::of(Keys::keepAwakeRules));
    add(IndexedKey::of(Keys::keyguardCleaningLockTrackpad));
    add(IndexedKey::of(Keys::keyguardCleaningSeconds));
    add(IndexedKey::of(Keys::keyguardQuitApps));
    add(IndexedKey::of(Keys::keyguardQuitHow));
    add(IndexedKey::of(Keys::keyguardQuitProtection));
    add(IndexedKey::of(Keys::keyguardQuitScope));
    add(IndexedKey::of(Keys::maintenanceOnAppDelete));
    add(IndexedKey::of(Keys::mediaCinematicLight));
    add(IndexedKey::of(Keys::mediaEarLyrics));
    add(IndexedKey::of(Keys::mediaLyrics));
    add(IndexedKey::of(Keys::mediaPin));
    add(IndexedKey::of(Keys::mediaShowDock));
    add(IndexedKey::of(Keys::mediaSize));
    add(IndexedKey::of(Keys::mediaVisualizer));
    add(IndexedKey::of(Keys::petBatteryFloor));
    add(IndexedKey::of(Keys::petCardStyle));
    add(IndexedKey::of(Keys::petChatHandoff));
    add(IndexedKey::of(Keys::petChatOnTop));
    add(IndexedKey::of(Keys::petChatProbes));
    add(IndexedKey::of(Keys::petChatProvider));
    add(IndexedKey::of(Keys::petChatProviders));
    add(IndexedKey::of(Keys::petChatVoice));
    add(IndexedKey::of(Keys::petChattiness));
    add(IndexedKey::of(Keys::petEnabled));
    add(IndexedKey::of(Keys::petEveningRecap));
    add(IndexedKey::of(Keys::petKind));
    add(IndexedKey::of(Keys::petMemory));
    add(IndexedKey::of(Keys::petMorningBrief));
    add(IndexedKey::of(Keys::petName));
    add(IndexedKey::of(Keys::petPlace));
    add(IndexedKey::of(Keys::petSmart));
    add(IndexedKey::of(Keys::petSmartBrain));
    add(IndexedKey::of(Keys::petSpeechSpeed));
    add(IndexedKey::of(Keys::petSuggestions));
    add(IndexedKey::of(Keys::petVoiceBabbleReactions));
    add(IndexedKey::of(Keys::petVoiceHoldOption));
    add(IndexedKey::of(Keys::petVoiceLanguage));
    add(IndexedKey::of(Keys::petVoiceReadAloud));
    add(IndexedKey::of(Keys::petVoiceSendOnRelease));
    add(IndexedKey::of(Keys::petVoiceSpeaking));
    add(IndexedKey::of(Keys::petVoiceTalk));
    add(IndexedKey::of(Keys::phoneIdleMinutes));
    add(IndexedKey::of(Keys::phoneKeepHours));
    add(IndexedKey::of(Keys::phoneViaReminders));
    add(IndexedKey::of(Keys::phoneWhen));
    add(IndexedKey::of(Keys::projectsEditor));
    add(IndexedKey::of(Keys::projectsHidden));
    add(IndexedKey::of(Keys::projectsPinned));
    add(IndexedKey::of(Keys::projectsSources));
    add(IndexedKey::of(Keys::projectsTerminal));
    add(IndexedKey::of(Keys::timersHydration));
    add(IndexedKey::of(Keys::timersHydrationEnabled));
    add(IndexedKey::of(Keys::timersHydrationTally));
    add(IndexedKey::of(Keys::timersRecentMinutes));
    add(IndexedKey::of(Keys::toolboxDetect));
    add(IndexedKey::of(Keys::toolboxRecent));
    add(IndexedKey::of(Keys::vitalsCpuBusyMinutes));
    add(IndexedKey::of(Keys::vitalsCpuBusyPercent));
    add(IndexedKey::of(Keys::vitalsDiskFreeGB));
    add(IndexedKey::of(Keys::weatherFahrenheit));
    add(IndexedKey::of(Keys::weatherPlace));
    add(IndexedKey::of(Keys::weatherUseLocation));
    add(IndexedKey::of(Keys::worldClockZones));

    // The index checks only the type, so the defaults passed here do not matter.
    for (const auto& module : ModuleCatalog::all()) {
        entries.push_back(SettingsIndexEntry{IndexedKey::of(ModuleSwitch::enabled(module.id, true)),
                                             {IndexedKey::of(ModuleSwitch::ears(module.id))}});
    }
    for (const AlertKind* kind : ModuleCatalog::allAlertKinds()) {
        const std::string& id = kind->id;
        entries.push_back(SettingsIndexEntry{IndexedKey::of(AlertSwitch::enabled(id, true)),
                                             {
                                                 IndexedKey::of(AlertSwitch::style(id, EventStyle::card)),
                                                 IndexedKey::of(AlertSwitch::durationSec(id, 0)),
                                                 IndexedKey::of(AlertSwitch::timeSensitive(id, false)),
                                                 IndexedKey::of(AlertSwitch::rateLimitSec(id, 0)),
                                                 IndexedKey::of(AlertSwitch::ears(id, true)),
                                                 IndexedKey::of(AlertSwitch::notify(id, false)),
                                                 IndexedKey::of(AlertSwitch::sound(id, true)),
                                                 IndexedKey::of(AlertSwitch::phone(id)),
                                                 IndexedKey::of(AlertSwitch::petRoute(id)),
                                             }});
    }
    for (std::string_view kind : forwardableKinds)
        add(IndexedKey::of(AwaySwitch::forward(kind, false)));
    return entries;
}

struct Index {
    std::vector<SettingsIndexEntry> entries = buildIndex();
    std::unordered_map<std::string_view, const IndexedKey*> byStorageKey = [this] {
        std::unordered_map<std::string_view, const IndexedKey*> map;
        for (const auto& entry : entries) {
            map.emplace(entry.key.storageKey, &entry.key);
            for (const auto& also : entry.alsoKeys)
                map.emplace(also.storageKey, &also);
        }
        return map;
    }();
};

const Index& index()
{
    static const Index built;
    return built;
}

}  // namespace

namespace AlertSwitch {

SettingKey<bool> enabled(std::string_view kind, bool defaultOn) { return {alertSwitchName(kind, ".enabled"), defaultOn}; }

SettingKey<EventStyle> style(std::string_view kind, EventStyle defaultStyle)
{
    return {alertSwitchName(kind, ".style"), defaultStyle};
}

SettingKey<double> durationSec(std::string_view kind, double defaultDuration)
{
    return {alertSwitchName(kind, ".durationSec"), defaultDuration};
}

SettingKey<bool> timeSensitive(std::string_view kind, bool defaultValue)
{
    return {alertSwitchName(kind, ".timeSensitive"), defaultValue};
}

SettingKey<double> rateLimitSec(std::string_view kind, double defaultRateLimit)
{
    return {alertSwitchName(kind, ".rateLimitSec"), defaultRateLimit};
}

SettingKey<bool> ears(std::string_view kind, bool defaultEars) { return {alertSwitchName(kind, ".ears"), defaultEars}; }

SettingKey<bool> notify(std::string_view kind, bool defaultNotify)
{
    return {alertSwitchName(kind, ".notify"), defaultNotify};
}

SettingKey<bool> sound(std::string_view kind, bool defaultOn) { return {alertSwitchName(kind, ".sound"), defaultOn}; }

SettingKey<bool> phone(std::string_view kind, bool defaultValue) { return {alertSwitchName(kind, ".phone"), defaultValue}; }

SettingKey<PetRoute> petRoute(std::string_view kind, PetRoute defaultRoute)
{
    return {alertSwitchName(kind, ".petRoute"), defaultRoute};
}

}  // namespace AlertSwitch

namespace ModuleSwitch {

SettingKey<bool> enabled(std::string_view moduleID, bool defaultEnabled)
{
    return {moduleSwitchName(moduleID, ".enabled"), defaultEnabled};
}

SettingKey<bool> ears(std::string_view moduleID, bool defaultValue)
{
    return {moduleSwitchName(moduleID, ".ears"), defaultValue};
}

}  // namespace ModuleSwitch

namespace EarRouteSwitch {

SettingKey<bool> enabled(EarRoute route)
{
    return {"notch.earRoute." + std::string(rawValue(route)), EarRoutes::defaultSwitch(route)};
}

}  // namespace EarRouteSwitch

namespace AwaySwitch {

SettingKey<bool> forward(std::string_view kind, bool defaultValue)
{
    return {"away.forward." + std::string(kind), defaultValue};
}

}  // namespace AwaySwitch

namespace SettingsIndex {

const std::vector<SettingsIndexEntry>& entries() { return index().entries; }

const IndexedKey* find(std::string_view storageKey)
{
    const auto& map = index().byStorageKey;
    auto found = map.find(storageKey);
    return found == map.end() ? nullptr : found->second;
}

std::vector<std::string> storageKeys()
{
    std::vector<std::string> out;
    for (const auto& entry : entries()) {
        out.push_back(entry.key.storageKey);
        for (const auto& also : entry.alsoKeys)
            out.push_back(also.storageKey);
    }
    return out;
}

}  // namespace SettingsIndex

}  // namespace corvane
