#pragma once
// The catalogue of settings: every key the program reads, declared once with
// its value type and default, plus the factories for the per-kind and
// per-module switches and the index that resetAll and import go by.
//
// Keys whose values are records owned by a module (keep-awake rules, price
// overrides, the chosen city) are kept as JSON that the owner decodes
// tolerantly; choices owned by other modules (the lid choice, when alerts go
// to the phone) are kept as their raw strings.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/notch/AlertStyles.h"
#include "core/notch/EarChoices.h"
#include "core/notch/NotchChoices.h"
#include "core/notch/SettingKey.h"

namespace corvane {

using StringList = std::vector<std::string>;
using IntList = std::vector<int>;
using OptionalString = std::optional<std::string>;
// A global shortcut in the desktop portal's trigger syntax ("CTRL+ALT+a");
// none when unassigned.
using Hotkey = std::optional<std::string>;

namespace Keys {

// General
inline const SettingKey<DisplayChoice> display{"general.display", DisplayChoice::notchDisplay};
inline const SettingKey<bool> islandOnExternal{"general.islandOnExternal", true};
inline const SettingKey<bool> openOnHover{"general.openOnHover", true};
inline const SettingKey<bool> openEarTarget{"general.openEarTarget", true};
inline const SettingKey<int> hoverDelayMs{"general.hoverDelayMs", 150};
inline const SettingKey<int> collapseDelayMs{"general.collapseDelayMs", 200};
inline const SettingKey<bool> swipeGestures{"general.swipeGestures", true};
inline const SettingKey<bool> openOnDrag{"general.openOnDrag", true};
inline const SettingKey<bool> haptics{"general.haptics", true};
inline const SettingKey<bool> movieMode{"general.movieMode", true};
inline const SettingKey<bool> launchAtLogin{"general.launchAtLogin", false};
inline const SettingKey<bool> alwaysShowDock{"general.alwaysShowDock", false};

// Notch and ears
inline const SettingKey<bool> musicInFront{"notch.musicInFront", true};
inline const SettingKey<int> otherActivityGlance{"notch.otherActivityGlance", 5};  // seconds
// While music is in front, every this many minutes the other activities get
// a glance; one of MusicFront::options, 0 = never.
inline const SettingKey<int> musicGlanceMinutes{"notch.musicGlanceMinutes", 5};
inline const SettingKey<bool> dualEars{"notch.dualEars", true};
inline const SettingKey<bool> showRestingEars{"notch.showRestingEars", false};
inline const SettingKey<RestingEarContent> restingLeft{"notch.restingLeft", RestingEarContent::none};
inline const SettingKey<RestingEarContent> restingRight{"notch.restingRight", RestingEarContent::none};
inline const SettingKey<EarWidth> earWidth{"notch.earWidth", EarWidth::compact};
inline const SettingKey<bool> earFitMenuBar{"notch.earFitMenuBar", true};
inline const SettingKey<StringList> dockOrder{"notch.dockOrder", {}};
inline const SettingKey<StringList> dockHidden{"notch.dockHidden", {}};
inline const SettingKey<StringList> dockOverflow{"notch.dockOverflow", {}};
inline const SettingKey<NotchTheme> notchTheme{"notch.theme", NotchTheme::black};
inline const SettingKey<NotchGlass> notchGlass{"notch.glass", NotchGlass::off};

// Appearance
inline const SettingKey<double> animationSpeed{"appearance.animationSpeed", 1.0};
inline const SettingKey<bool> reduceEffects{"appearance.reduceEffects", false};
inline const SettingKey<std::string> chromeAppearance{"appearance.chrome", "system"};

// Alerts and events
inline const SettingKey<AlertStyle> alertStyle{"alerts.style", AlertStyle::card};
inline const SettingKey<AlertCardSize> alertCardSize{"alerts.cardSize", AlertCardSize::regular};
inline const SettingKey<double> alertDuration{"alerts.durationSec", 6.0};
inline const SettingKey<double> messageTimeout{"alerts.messageTimeoutSec", 8.0};
inline const SettingKey<NotificationGrouping> notificationGrouping{"alerts.grouping", NotificationGrouping::automatic};
inline const SettingKey<bool> respectFocus{"alerts.respectFocus", true};
inline const SettingKey<bool> muteAll{"alerts.muteAll", false};
inline const SettingKey<double> eventsCoalesceSec{"events.coalesceSec", 5.0};
inline const SettingKey<bool> quietMode{"events.quietMode", false};
// End of quiet mode in seconds since 1970; 0 = no end.
inline const SettingKey<double> quietUntil{"events.quietUntil", 0.0};
inline const SettingKey<bool> redactPreviews{"events.redactPreviews", false};
inline const SettingKey<bool> eventKeyboardShortcuts{"events.keyboardShortcuts", true};
inline const SettingKey<bool> hoverCards{"hover.enabled", true};
inline const SettingKey<int> hoverDelayMsCards{"hover.delayMs", 350};
inline const SettingKey<bool> soundsEnabled{"sounds.enabled", true};
inline const SettingKey<double> soundsVolume{"sounds.volume", 0.6};

// Onboarding and reports
inline const SettingKey<OptionalString> onboardingCompletedVersion{"onboarding.completedVersion", std::nullopt};
inline const SettingKey<bool> onboardingResumeOnLaunch{"onboarding.resumeOnLaunch", false};
inline const SettingKey<int> onboardingProgress{"onboarding.progress", 0};  // stages completed
inline const SettingKey<bool> crashReports{"reports.crash", false};        // send crash reports: opt-in
inline const SettingKey<StringList> crashReportsSeen{"reports.crashSeen", {}};  // report file names shown once

// AI agents
inline const SettingKey<StringList> aiAgents{"ai.agents", {"claude", "codex"}};
inline const SettingKey<bool> claudeHookInbox{"ai.claudeHookInbox", true};
inline const SettingKey<StringList> aiHistoryHidden{"ai.history.hidden", {}};  // at most 500, newest kept
inline const SettingKey<int> aiLimitEarAt{"ai.limitEarAt", 75};                // percent
inline const SettingKey<bool> aiLimitResetAlert{"ai.limitResetAlert", true};
inline const SettingKey<int> aiLimitStaleMinutes{"ai.limitStaleMinutes", 15};
inline const SettingKey<IntList> aiLimitThresholds{"ai.limitThresholds", {75, 90}};  // warn, high
inline const SettingKey<bool> aiLimitsClaude{"ai.limits.claude", true};
inline const SettingKey<bool> aiLimitsCodex{"ai.limits.codex", true};
inline const SettingKey<Json> aiPriceOverrides{"ai.priceOverrides", Json::object()};  // model id -> price
inline const SettingKey<std::optional<double>> aiRestartBoot{"ai.restart.boot", std::nullopt};  // boot time, s since 1970
inline const SettingKey<StringList> aiRestartSessions{"ai.restart.sessions", {}};
inline const SettingKey<int> aiStuckMinutes{"ai.stuckMinutes", 20};
inline const SettingKey<bool> aiLimitsClaudeOAuth{"aiLimits.claudeOAuth", false};  // read the account's usage endpoint

// Audio and headphones
inline const SettingKey<Json> audioMicMuteLedger{"audio.micMuteLedger", Json::object()};
inline const SettingKey<Json> audioRules{"audio.rules", Json::array()};
inline const SettingKey<bool> headphonesShowBattery{"headphones.showBattery", true};

// Step away
inline const SettingKey<std::string> awayAfterUnlock{"away.afterUnlock", "restore"};
inline const SettingKey<double> awayCapHours{"away.capHours", 4.0};
inline const SettingKey<bool> awayPhoneAsked{"away.phoneAsked", false};
inline const SettingKey<bool> awayPhysicalAlerts{"away.physicalAlerts", true};
inline const SettingKey<StringList> awayScreenNeedingExtra{"away.screenNeedingExtra", {}};
inline const SettingKey<bool> awaySilence{"away.silence", true};
inline const SettingKey<bool> awaySleepWhenWorkDone{"away.sleepWhenWorkDone", true};

// Calendar
inline const SettingKey<StringList> calendarIDs{"calendar.ids", {}};
inline const SettingKey<int> calendarLeadMinutes{"calendar.leadMinutes", 10};

// Capture
inline const SettingKey<std::string> captureColorFormat{"capture.colorFormat", "hex"};

// Clipboard
inline const SettingKey<bool> clipboardAlwaysPlainText{"clipboard.alwaysPlainText", false};
inline const SettingKey<bool> clipboardCleanLinks{"clipboard.cleanLinks", true};
inline const SettingKey<int> clipboardClearAfter{"clipboard.clearAfter", 0};  // hours; 0 = never
inline const SettingKey<bool> clipboardClearOnLock{"clipboard.clearOnLock", false};
inline const SettingKey<bool> clipboardClearOnSleep{"clipboard.clearOnSleep", false};
inline const SettingKey<CopyToastMode> copyToastMode{"clipboard.copyToastMode", CopyToastMode::actionable};
inline const SettingKey<StringList> clipboardExcludedApps{"clipboard.excludedApps", {}};  // desktop-file ids
inline const SettingKey<int> clipboardLimit{"clipboard.limit", 200};

// Shell command hook
inline const SettingKey<bool> commandHookEnabled{"commandHook.enabled", false};
inline const SettingKey<bool> commandHookOnlyWhenBackground{"commandHook.onlyWhenBackground", true};
inline const SettingKey<int> commandHookThresholdSec{"commandHook.thresholdSec", 30};
inline const SettingKey<std::optional<double>> commandHookLastEvent{"commandHook.lastEvent", std::nullopt};  // s since 1970

// Dev servers
inline const SettingKey<bool> devServersAlertAllListeners{"devServers.alertAllListeners", false};
inline const SettingKey<IntList> devServersFavoritePorts{"devServers.favoritePorts", {}};
inline const SettingKey<IntList> devServersIgnoredPorts{"devServers.ignoredPorts", {}};
inline const SettingKey<int> devServersScanInterval{"devServers.scanInterval", 3};  // seconds
inline const SettingKey<IntList> devServersWatchedPorts{"devServers.watchedPorts", {}};

// File manager
inline const SettingKey<bool> finderCutPaste{"finder.cutPaste", false};
inline const SettingKey<bool> finderPasteImages{"finder.pasteImages", false};

// Repositories
inline const SettingKey<StringList> gitRoots{"git.roots", {}};
inline const SettingKey<StringList> gitTrusted{"git.trusted", {}};

// Home surface
inline const SettingKey<StringList> homeShortcutTiles{"home.shortcutTiles", {}};
inline const SettingKey<std::map<std::string, std::string>> homeWidgetSizes{"home.widgetSizes", {}};
inline const SettingKey<StringList> homeWidgets{"home.widgets", {}};

// Global shortcuts
inline const SettingKey<Hotkey> hotkeyAway{"hotkey.away", std::nullopt};
inline const SettingKey<Hotkey> hotkeyCleaning{"hotkey.cleaning", std::nullopt};
inline const SettingKey<Hotkey> hotkeyClipboard{"hotkey.clipboard", std::nullopt};
inline const SettingKey<Hotkey> hotkeyColor{"hotkey.color", std::nullopt};
inline const SettingKey<Hotkey> hotkeyKeepAwakeAuto{"hotkey.keepAwakeAuto", "LOGO+ALT+a"};
inline const SettingKey<Hotkey> hotkeyKeepAwakeLid{"hotkey.keepAwakeLid", std::nullopt};
inline const SettingKey<Hotkey> hotkeyKeepAwakeStop{"hotkey.keepAwakeStop", std::nullopt};
inline const SettingKey<Hotkey> hotkeyMuteMics{"hotkey.muteMics", std::nullopt};
inline const SettingKey<Hotkey> hotkeyNotch{"hotkey.notch", std::nullopt};
inline const SettingKey<Hotkey> hotkeyOCR{"hotkey.ocr", std::nullopt};
inline const SettingKey<Hotkey> hotkeyPalette{"hotkey.palette", std::nullopt};
inline const SettingKey<Hotkey> hotkeyQuiet{"hotkey.quiet", std::nullopt};
inline const SettingKey<Hotkey> hotkeySwitchOutput{"hotkey.switchOutput", std::nullopt};

// Integrations
inline const SettingKey<bool> integrationsCalls{"integrations.calls", true};
inline const SettingKey<bool> integrationsExports{"integrations.exports", false};
inline const SettingKey<OptionalString> integrationsExportsFolder{"integrations.exportsFolder", std::nullopt};
inline const SettingKey<bool> integrationsInbound{"integrations.inbound", true};
inline const SettingKey<bool> integrationsLocalModels{"integrations.localModels", true};
inline const SettingKey<bool> integrationsReviews{"integrations.reviews", true};

// Keep awake
inline const SettingKey<bool> keepAwakeAllowDisplaySleep{"keepAwake.allowDisplaySleep", false};
inline const SettingKey<bool> keepAwakeAutoEnabled{"keepAwake.autoEnabled", false};
inline const SettingKey<Json> keepAwakeCustomRules{"keepAwake.customRules", Json::array()};
inline const SettingKey<int> keepAwakeGraceSeconds{"keepAwake.graceSeconds", 180};
inline const SettingKey<Json> keepAwakeGuardrails{"keepAwake.guardrails", Json{{"batteryFloor", 15}, {"onlyWhileCharging", false}}};
inline const SettingKey<std::string> keepAwakeLidChoice{"keepAwake.lidChoice", "sleepWhenDone"};
inline const SettingKey<double> keepAwakeLidHours{"keepAwake.lidHours", 8.0};
inline const SettingKey<Json> keepAwakeRules{"keepAwake.rules",
    Json{{"agents", true}, {"apps", true}, {"appBundleIDs", Json::array()}, {"power", false}, {"display", false}}};

// Keyboard and quit guards
inline const SettingKey<bool> keyguardCleaningLockTrackpad{"keyguard.cleaningLockTrackpad", true};
inline const SettingKey<int> keyguardCleaningSeconds{"keyguard.cleaningSeconds", 30};
inline const SettingKey<StringList> keyguardQuitApps{"keyguard.quitApps", {}};
inline const SettingKey<std::string> keyguardQuitHow{"keyguard.quitHow", "hold"};
inline const SettingKey<bool> keyguardQuitProtection{"keyguard.quitProtection", false};
inline const SettingKey<std::string> keyguardQuitScope{"keyguard.quitScope", "all"};

// Maintenance
inline const SettingKey<bool> maintenanceOnAppDelete{"maintenance.onAppDelete", true};

// Media
inline const SettingKey<bool> mediaCinematicLight{"media.cinematicLight", false};
inline const SettingKey<bool> mediaEarLyrics{"media.earLyrics", false};
inline const SettingKey<bool> mediaLyrics{"media.lyrics", true};
inline const SettingKey<bool> mediaPin{"media.pin", false};
inline const SettingKey<bool> mediaShowDock{"media.showDock", true};
inline const SettingKey<std::string> mediaSize{"media.size", "regular"};
inline const SettingKey<bool> mediaVisualizer{"media.visualizer", true};

// Pet
inline const SettingKey<int> petBatteryFloor{"pet.batteryFloor", 20};  // percent
inline const SettingKey<std::string> petCardStyle{"pet.cardStyle", "bubble"};
inline const SettingKey<bool> petChatHandoff{"pet.chat.handoff", true};
inline const SettingKey<bool> petChatOnTop{"pet.chat.onTop", false};
inline const SettingKey<bool> petChatProbes{"pet.chat.probes", true};
inline const SettingKey<std::string> petChatProvider{"pet.chat.provider", "auto"};
inline const SettingKey<StringList> petChatProviders{"pet.chat.providers", {}};
inline const SettingKey<bool> petChatVoice{"pet.chat.voice", false};
inline const SettingKey<std::string> petChattiness{"pet.chattiness", "normal"};
inline const SettingKey<bool> petEnabled{"pet.enabled", false};
inline const SettingKey<bool> petEveningRecap{"pet.eveningRecap", false};
inline const SettingKey<std::string> petKind{"pet.kind", "cat"};
inline const SettingKey<bool> petMemory{"pet.memory", true};
inline const SettingKey<bool> petMorningBrief{"pet.morningBrief", false};
inline const SettingKey<std::string> petName{"pet.name", ""};
inline const SettingKey<std::string> petPlace{"pet.place", "notch"};
inline const SettingKey<bool> petSmart{"pet.smart", false};
inline const SettingKey<std::string> petSmartBrain{"pet.smartBrain", "auto"};
inline const SettingKey<double> petSpeechSpeed{"pet.speechSpeed", 1.0};
inline const SettingKey<bool> petSuggestions{"pet.suggestions", true};
inline const SettingKey<bool> petVoiceBabbleReactions{"pet.voice.babbleReactions", true};
inline const SettingKey<bool> petVoiceHoldOption{"pet.voice.holdOption", false};
inline const SettingKey<std::string> petVoiceLanguage{"pet.voice.language", ""};  // empty: the system's
inline const SettingKey<bool> petVoiceReadAloud{"pet.voice.readAloud", false};
inline const SettingKey<bool> petVoiceSendOnRelease{"pet.voice.sendOnRelease", true};
inline const SettingKey<bool> petVoiceSpeaking{"pet.voice.speaking", false};
inline const SettingKey<bool> petVoiceTalk{"pet.voice.talk", false};

// Phone
inline const SettingKey<int> phoneIdleMinutes{"phone.idleMinutes", 10};
inline const SettingKey<int> phoneKeepHours{"phone.keepHours", 24};
inline const SettingKey<bool> phoneViaReminders{"phone.viaReminders", false};
inline const SettingKey<std::string> phoneWhen{"phone.when", "awayOrLocked"};

// Projects
inline const SettingKey<std::string> projectsEditor{"projects.editor", ""};  // desktop-file id; empty: the default
inline const SettingKey<StringList> projectsHidden{"projects.hidden", {}};
inline const SettingKey<StringList> projectsPinned{"projects.pinned", {}};
inline const SettingKey<StringList> projectsSources{"projects.sources", {}};
inline const SettingKey<std::string> projectsTerminal{"projects.terminal", ""};

// Timers and hydration
inline const SettingKey<int> timersHydration{"timers.hydration", 60};  // minutes between reminders
inline const SettingKey<bool> timersHydrationEnabled{"timers.hydrationEnabled", false};
inline const SettingKey<Json> timersHydrationTally{"timers.hydrationTally", Json::object()};  // day -> glasses
inline const SettingKey<IntList> timersRecentMinutes{"timers.recentMinutes", {}};

// Toolbox
inline const SettingKey<bool> toolboxDetect{"toolbox.detect", true};
inline const SettingKey<StringList> toolboxRecent{"toolbox.recent", {}};

// Vitals
inline const SettingKey<int> vitalsCpuBusyMinutes{"vitals.cpuBusyMinutes", 5};
inline const SettingKey<int> vitalsCpuBusyPercent{"vitals.cpuBusyPercent", 80};
inline const SettingKey<int> vitalsDiskFreeGB{"vitals.diskFreeGB", 10};

// Weather
inline const SettingKey<bool> weatherFahrenheit{"weather.fahrenheit", false};
inline const SettingKey<Json> weatherPlace{"weather.place", Json(nullptr)};  // the chosen city; null: none
inline const SettingKey<bool> weatherUseLocation{"weather.useLocation", true};

// World clock
inline const SettingKey<StringList> worldClockZones{"worldClock.zones", {}};  // IANA zone names

}  // namespace Keys

// The switches of one alert kind: "alert." + kind + suffix. Their defaults
// come from the event catalogue, so the caller passes them.
namespace AlertSwitch {

SettingKey<bool> enabled(std::string_view kind, bool defaultOn);
SettingKey<EventStyle> style(std::string_view kind, EventStyle defaultStyle);
SettingKey<double> durationSec(std::string_view kind, double defaultDuration);
SettingKey<bool> timeSensitive(std::string_view kind, bool defaultValue);
SettingKey<double> rateLimitSec(std::string_view kind, double defaultRateLimit);
SettingKey<bool> ears(std::string_view kind, bool defaultEars);
SettingKey<bool> notify(std::string_view kind, bool defaultNotify);
SettingKey<bool> sound(std::string_view kind, bool defaultOn);
SettingKey<bool> phone(std::string_view kind, bool defaultValue = false);
SettingKey<PetRoute> petRoute(std::string_view kind, PetRoute defaultRoute = PetRoute::pet);

}  // namespace AlertSwitch

// The switches of one module: "module." + id + ".enabled" / ".ears".
namespace ModuleSwitch {

SettingKey<bool> enabled(std::string_view moduleID, bool defaultEnabled);
SettingKey<bool> ears(std::string_view moduleID, bool defaultValue = true);

}  // namespace ModuleSwitch

// The switch of one ear route, "notch.earRoute." + the route's raw value:
// whether pointing at or clicking such an ear opens its surface.
enum class EarRoute;  // core/notch/EarRoute.h

namespace EarRouteSwitch {

SettingKey<bool> enabled(EarRoute route);

}  // namespace EarRouteSwitch

// Forwarding of one kind to the phone during Step away: "away.forward." + kind.
namespace AwaySwitch {

SettingKey<bool> forward(std::string_view kind, bool defaultValue);

}  // namespace AwaySwitch

// Every setting the program knows, for reset-all and for checking imports.
struct IndexedKey {
    std::string storageKey;
    // Whether stored bytes decode as the key's value type.
    bool (*decodes)(std::string_view bytes) = nullptr;

    template <SettingValue V>
    static IndexedKey of(const SettingKey<V>& key)
    {
        return IndexedKey{key.storageKey(), [](std::string_view bytes) { return decodeSetting<V>(bytes).has_value(); }};
    }
};

struct SettingsIndexEntry {
    IndexedKey key;
    std::vector<IndexedKey> alsoKeys;  // kept and reset together with `key`
};

namespace SettingsIndex {

// Every Keys constant, then one entry per module (enabled, with ears as
// also-key) and one per alert kind (enabled, with its other switches).
const std::vector<SettingsIndexEntry>& entries();
// Any key of the index, also-keys included; null for an unknown key.
const IndexedKey* find(std::string_view storageKey);
// Every storage key of the index, also-keys included.
std::vector<std::string> storageKeys();

}  // namespace SettingsIndex

}  // namespace corvane
