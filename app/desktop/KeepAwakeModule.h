#pragma once
// The keep-awake module: the user's sessions and the stay hold, Auto Mode
// over the workload scan and the rules, the guardrails, the log, the ear
// and the radar of other holders. It holds at most one power hold of its
// own, the one `KeepAwakePlan::decide` asks for, and changes it only when
// the wanted kind changes (releasing before taking the new one).
//
// Timers follow the dev-servers module's pattern: single-shot timers on the
// main-thread scheduler, re-armed after each result. The tick checks the
// session's end and the guardrails (every second while a timer counts
// down, else every 30 s); the auto timer scans for work on its own queue
// every 10 s while Auto Mode is on, and a generation number drops a scan
// that comes back after a stop or a freeze. Log writes go to a second queue
// in order, each a whole copy of the log.
//
// The closed-lid hold follows the plan's `lidLease`: asked of the helper
// when it turns true, renewed well inside the lease while it stays true,
// released when it turns false or the module stops. A hold the helper
// refuses or drops stops the user's holds like a guardrail does, and is not
// asked for again until the plan lets go of it or the user resumes. While
// a closed-lid hold is wanted but not taken, the tick checks the helper
// again every 30 s, so one that died or was removed shows as such, and one
// that came back is asked again; a taken hold's renewals watch it then.
//
// The lid is read on the same 30 s tick (logind never announces its
// changes) and followed where announced. Closing it while something holds
// is logged with the work that held; opening it again logs that and builds
// the recap the section shows.
//
// A stay hold outlives a restart: at launch, a stored "Stay awake" choice
// takes up the hold the log shows unfinished, with its first deadline.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "app/desktop/ClosedLidLink.h"
#include "core/base/Log.h"
#include "core/base/ProcessRunner.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/base/Time.h"
#include "core/keepawake/AutoModeController.h"
#include "core/keepawake/AwakeRadar.h"
#include "core/keepawake/KeepAwakeEvents.h"
#include "core/keepawake/KeepAwakeHolders.h"
#include "core/keepawake/KeepAwakeLog.h"
#include "core/keepawake/KeepAwakePlan.h"
#include "core/keepawake/KeepAwakeRuleEngine.h"
#include "core/keepawake/PowerReadings.h"
#include "core/keepawake/WorkloadScanner.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"
#include "platform/GlobalHotkeys.h"
#include "platform/LidSwitch.h"
#include "platform/PowerInhibitor.h"

namespace corvane::app {

class AppDelegate;
class AppEnvironment;
class DevServersModule;
class EarController;
class SectionRegistry;
class TrayIcon;

class KeepAwakeModule final : public QObject {
    Q_OBJECT
public:
    static constexpr std::string_view moduleID = "keepAwake";
    static constexpr int earPriority = 30;
    static constexpr double autoInterval = 10;
    static constexpr double powerInterval = 30;
    static constexpr double radarInterval = 30;
    // The helper ends a hold whose lease runs out; three renewals fit in one.
    static constexpr std::int64_t leaseSeconds = 90;
    static constexpr double renewInterval = 30;
    static constexpr double helperCheckInterval = 30;

    struct Sources {
        SettingsStore& settings;
        AlertPipeline& pipeline;
        EarController& ears;
        Scheduler& scheduler;
        const Clock& clock;
        platform::PowerInhibitor& power;
        std::filesystem::path logFile;
        std::filesystem::path sysRoot = "/sys";
        // Whether any development server listens, for the "while dev servers run" session.
        std::function<bool()> devServersRunning = [] { return false; };
        Calendar calendar = Calendar::local();
        // None: no closed-lid helper, the lid choice keeps only the lid-open hold.
        std::optional<ClosedLidLink::Options> closedLid = std::nullopt;
        // Runs the helper's install and removal; none: the card offers neither.
        const ProcessRunner* processes = nullptr;
        // None: the lid counts as open.
        platform::LidSwitch* lidSwitch = nullptr;
        // None: no global shortcuts.
        platform::GlobalHotkeys* hotkeys = nullptr;
    };

    // Found by the auto scan: the work and the listed apps that run.
    struct AutoScan {
        std::vector<Workload> workloads;
        std::set<std::string> runningApps;
    };

    KeepAwakeModule(AppEnvironment& environment, const DevServersModule& devServers, QObject* parent = nullptr);
    explicit KeepAwakeModule(Sources sources, QObject* parent = nullptr);
    ~KeepAwakeModule() override;

    // Registers the Focus section, follows the tray's entries and the
    // delegate's pause.
    void attach(SectionRegistry& sections, TrayIcon& tray, AppDelegate& delegate);
    // Runs the launch check of the closed-lid helper again.
    void probeHelper();
    // Install, repair and update alike; then the launch check runs again.
    void installHelper();
    void removeHelper();

    void start();
    // Ends every hold and writes the log; a later start() begins afresh.
    void stop();
    void setFrozen(bool frozen);
    // Keep awake sections report here; the radar is refreshed while one shows.
    void sectionShown(bool shown);

    void startSession(KeepAwakeMode mode);
    void stopSession();
    void stopStay();
    // Ends the session, the stay hold and the closed-lid choice's hold.
    void stopAll();
    void setLidChoice(LidChoice choice);
    void setAutoEnabled(bool on);
    void setRules(const KeepAwakeRules& rules);
    void setGuardrails(const GuardrailPolicy& policy);
    // After a guarded stop: clears it and takes up again what was held.
    void resume();
    // Clears the guarded stop or the recap without resuming.
    void dismiss();
    // Step away's hold.
    void holdForAway(bool on);
    void refreshRadar();
    // Asks a process of the radar to quit with SIGTERM; false, and nothing
    // sent, unless its row may be quit (never the system's, never ours).
    bool quitRadarProcess(std::int32_t pid);
    // The stay hold on or off, the lid choice following.
    void toggleStay();
    std::vector<WorkloadRule> customRules() const;
    void setCustomRules(const std::vector<WorkloadRule>& rules);

    const std::optional<KeepAwakeSession>& session() const { return session_; }
    LidChoice choice() const { return choice_; }
    bool autoEnabled() const;
    const std::vector<Workload>& autoWorkloads() const { return workloads_; }
    // Work label -> how many processes run under it.
    std::map<std::string, int> workGroups() const;
    bool autoHolding() const { return autoController_.holding(); }
    const KeepAwakeRules& rules() const { return rules_; }
    const KeepAwakeRuleState& autoState() const { return ruleState_; }
    std::optional<WallTime> autoGraceUntil() const { return autoController_.graceUntil(); }
    const std::optional<StayHold>& stay() const { return stay_; }
    HelperState helper() const { return helper_; }
    bool leaseHeld() const { return leaseHeld_; }
    // The helper's last answer about the closed-lid hold.
    const std::optional<ClosedLidHelperStatus>& lidStatus() const { return lidStatus_; }
    // What the last install or removal came to.
    const std::optional<std::string>& helperLine() const { return helperLine_; }
    const std::optional<KeepAwakeStop>& stopped() const { return stopped_; }
    const std::optional<KeepAwakeRecap>& recap() const { return recap_; }
    const std::vector<AwakeRadar::Row>& radar() const { return radar_; }
    const PowerReadings& chips() const { return readings_; }
    const KeepAwakeLog& log() const { return log_; }
    const std::optional<std::string>& lastMessage() const { return lastMessage_; }
    AssertionKind heldKind() const { return heldKind_; }
    GuardrailPolicy guardrails() const;
    bool externalDisplay() const { return externalDisplay_; }
    bool lidIsClosed() const { return lidIsClosed_; }
    // One line per shortcut that could not be registered.
    std::vector<std::string> hotkeyProblems() const;

    KeepAwakeInputs inputs() const;
    KeepAwakeStatus status() const;
    std::vector<KeepAwakeHolder> holders() const;
    KeepAwakeRuleEngine::Card autoCard() const;
    const Clock& clock() const { return clock_; }
    const Calendar& calendar() const { return calendar_; }

    // The display name of an app id: its last part ("org.mozilla.firefox" -> "firefox").
    static std::string appName(const std::string& appID);

signals:
    // Anything the section shows changed.
    void changed();

private:
    // The platform services the app's module owns.
    struct Owned {
        std::unique_ptr<platform::PowerInhibitor> power;
        std::unique_ptr<platform::LidSwitch> lid;
        std::unique_ptr<platform::GlobalHotkeys> hotkeys;
    };
    KeepAwakeModule(Owned owned, AppEnvironment& environment, const DevServersModule& devServers, QObject* parent);
    bool scanning() const { return running_ && !frozen_ && autoEnabled(); }
    // Re-plans after every change: the power hold, the ear, the tray.
    void refresh();
    void applyAssertion(AssertionKind wanted);
    void updateEar();
    void armTick();
    void tick();
    void readPower();
    void checkGuardrails();
    void guardedStop(StopCause cause, std::string logReason);
    void helperProbed(HelperState state);
    void changeHelper(void (ClosedLidLink::*command)(const ProcessRunner&, ClosedLidLink::Outcome));
    // Whether the plan would ask for the closed-lid hold with a ready helper.
    bool lidHoldWanted() const;
    void recheckHelper();
    void readLid();
    void lidChanged(bool closed);
    void registerHotkeys();
    void applyLease(bool wanted);
    void renewLease();
    void leaseAnswered(std::uint64_t generation, std::optional<ClosedLidHelperStatus> status);
    void leaseLost(const std::optional<ClosedLidHelperStatus>& status);
    void checkSessionEnd();
    void restartAuto();
    void armAuto(double delay);
    void autoTick();
    void deliverScan(std::uint64_t generation, AutoScan scan);
    void applyScan(AutoScan scan);
    void evaluateRules();
    void ruleStateChanged(const KeepAwakeRuleState& before);
    void record(KeepAwakeLogEntry::Event event, std::string reason);
    void settingsChanged();
    void cancel(std::optional<Scheduler::TimerId>& timer);

    SettingsStore& settings_;
    EarController& ears_;
    Scheduler& scheduler_;
    const Clock& clock_;
    platform::PowerInhibitor& power_;
    std::filesystem::path logFile_;
    std::filesystem::path sysRoot_;
    std::function<bool()> devServersRunning_;
    Calendar calendar_;
    ModuleContext context_;
    const ProcessRunner* processes_;
    platform::LidSwitch* lidSwitch_;
    platform::GlobalHotkeys* hotkeys_;
    std::unique_ptr<platform::PowerInhibitor> ownedPower_;
    std::unique_ptr<platform::LidSwitch> ownedLid_;
    std::unique_ptr<platform::GlobalHotkeys> ownedHotkeys_;

    LidChoice choice_ = LidChoice::sleepWhenDone;
    KeepAwakeRules rules_;
    std::optional<KeepAwakeSession> session_;
    std::optional<StayHold> stay_;
    bool away_ = false;
    HelperState helper_ = HelperState::unknown;
    std::optional<KeepAwakeStop> stopped_;
    // What a resume takes up again: the session's mode with the time it had left, and the stay hold.
    std::optional<KeepAwakeMode> resumeMode_;
    bool resumeStay_ = false;
    std::optional<KeepAwakeRecap> recap_;
    std::optional<StopReason> lidGuard_;
    PowerReadings readings_;
    std::optional<WallTime> readAt_;
    ThermalWarning thermal_;
    bool externalDisplay_ = false;
    bool lidIsClosed_ = false;
    bool lidLogged_ = false;  // the closing was logged: its opening is, with a recap
    bool lidReading_ = false;
    std::optional<WallTime> probedAt_;
    bool probing_ = false;
    struct Shortcut {
        std::string trigger;  // as the setting gave it; empty when unassigned
        std::optional<std::string> problem;
    };
    std::map<std::string, Shortcut> shortcuts_;  // by setting name

    AutoModeController autoController_{0};
    KeepAwakeAgents agents_;
    std::vector<Workload> workloads_;
    std::set<std::string> runningApps_;
    KeepAwakeRuleState ruleState_;
    std::optional<WallTime> ruleSince_;
    std::optional<std::string> lastWho_;

    std::unique_ptr<platform::PowerHold> hold_;
    AssertionKind heldKind_ = AssertionKind::none;
    std::optional<KeepAwakeEar> lastEar_;
    std::optional<std::string> lastMessage_;
    KeepAwakeLog log_;
    std::vector<AwakeRadar::Row> radar_;
    int shownSections_ = 0;

    bool running_ = false;
    bool frozen_ = false;
    std::optional<Scheduler::TimerId> tickTimer_;
    std::optional<Scheduler::TimerId> autoTimer_;
    std::optional<Scheduler::TimerId> radarTimer_;
    std::optional<Scheduler::TimerId> renewTimer_;
    bool leaseWanted_ = false;
    bool leaseHeld_ = false;
    bool leaseBlocked_ = false;  // refused or dropped: not asked again until the plan lets go
    std::uint64_t leaseGeneration_ = 0;  // drops the answer to a request made before the wish changed
    std::optional<ClosedLidHelperStatus> lidStatus_;
    std::optional<std::string> helperLine_;
    bool scanInFlight_ = false;
    bool rescan_ = false;  // the auto timer fired while a scan ran
    bool autoWasEnabled_ = false;
    std::uint64_t generation_ = 0;
    SettingsStore::Subscription subscription_ = 0;
    Logger logger_{"keepAwake"};

    // Last: the queues join their workers first, while the scanner still exists.
    WorkloadScanner scanner_;
    std::unique_ptr<ClosedLidLink> lid_;
    SerialQueue autoQueue_;
    SerialQueue logQueue_;
};

}  // namespace corvane::app
