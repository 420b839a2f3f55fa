#include "app/desktop/KeepAwakeModule.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <utility>

#include <fmt/format.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <unistd.h>

#include "app/desktop/AppDelegate.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/DevServersModule.h"
#include "app/desktop/EarController.h"
#include "app/desktop/KeepAwakeSection.h"
#include "app/desktop/SectionRegistry.h"
#include "app/desktop/TrayIcon.h"
#include "core/keepawake/KeepAwakeSettings.h"
#include "core/notch/EarChoices.h"
#include "core/notch/Keys.h"
#include "core/notch/SurfaceSection.h"
#include "core/runtime/ProcessInspector.h"
#include "platform/linux/LogindInhibitor.h"
#include "platform/linux/LogindLidSwitch.h"
#include "platform/linux/X11GlobalHotkeys.h"

namespace corvane::app {

namespace {

constexpr std::string_view awakeTint = "#30D158";
constexpr std::string_view windingTint = "#8E8E93";
// Far enough that only a stay hold's own deadline ever passes.
constexpr double noDeadline = 100.0 * 365 * 24 * 3600;

bool processRuns(std::int32_t pid)
{
    auto stat = ProcessInspector::stat(pid);
    // A zombie only waits for its parent: its work is over.
    return stat && stat->state != 'Z' && stat->state != 'X';
}

// Built-in panels are named eDP, LVDS or DSI by the kernel's drivers; any
// other connector is a display plugged in.
bool hasExternalDisplay()
{
    if (qGuiApp == nullptr)
        return false;
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [](const QScreen* screen) {
        QString name = screen->name();
        return !name.startsWith(QStringLiteral("eDP")) && !name.startsWith(QStringLiteral("LVDS"))
            && !name.startsWith(QStringLiteral("DSI"));
    });
}

// A listed app runs when one of the user's processes goes by the short
// name of its id's last part, the way desktop apps name their executables.
std::set<std::string> runningApps(const std::vector<std::string>& appIDs)
{
    std::map<std::string, std::string> byName;
    for (const std::string& id : appIDs) {
        std::string name = KeepAwakeModule::appName(id);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        byName.emplace(name.substr(0, 15), id);  // the kernel keeps 15 bytes of a name
    }
    std::set<std::string> names;
    for (const auto& [name, id] : byName)
        names.insert(name);
    std::set<std::string> found;
    if (names.empty())
        return found;
    uid_t uid = ::getuid();
    for (const auto& process : ProcessInspector::pids(names)) {
        if (ProcessInspector::owner(process.pid) == uid)
            found.insert(byName[process.name]);
    }
    return found;
}

// Desktop apps carry the desktop file they were launched from.
RunningProcess describeProcess(std::int32_t pid)
{
    RunningProcess out;
    out.path = ProcessInspector::path(pid);
    if (auto args = ProcessInspector::argumentsAndEnvironment(pid))
        out.regularApp = args->environment.contains("GIO_LAUNCHED_DESKTOP_FILE");
    return out;
}

// Our own X connection grabs keys on the server Qt draws on; elsewhere
// (Wayland, offscreen) there is nothing to grab them from.
std::unique_ptr<platform::GlobalHotkeys> sessionHotkeys()
{
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return std::make_unique<platform::X11GlobalHotkeys>();
}

std::string_view tint(KeepAwakeTone tone)
{
    switch (tone) {
    case KeepAwakeTone::stopped: return KeepAwakeEvents::warningTint;
    case KeepAwakeTone::winding: return windingTint;
    default: return awakeTint;
    }
}

}  // namespace

KeepAwakeModule::KeepAwakeModule(AppEnvironment& environment, const DevServersModule& devServers, QObject* parent)
    : KeepAwakeModule(Owned{std::make_unique<platform::LogindInhibitor>(), std::make_unique<platform::LogindLidSwitch>(),
                            sessionHotkeys()},
                      environment, devServers, parent)
{
}

KeepAwakeModule::KeepAwakeModule(Owned owned, AppEnvironment& environment, const DevServersModule& devServers,
                                 QObject* parent)
    : KeepAwakeModule(Sources{.settings = environment.settings(),
                              .pipeline = environment.pipeline(),
                              .ears = environment.ears(),
                              .scheduler = environment.scheduler(),
                              .clock = environment.clock(),
                              .power = *owned.power,
                              .logFile = environment.paths().appSupport() / KeepAwakeLog::fileName,
                              .devServersRunning = [&devServers] { return !devServers.servers().empty(); },
                              .closedLid = ClosedLidLink::Options{},
                              .processes = &environment.processes(),
                              .lidSwitch = owned.lid.get(),
                              .hotkeys = owned.hotkeys.get()},
                      parent)
{
    ownedPower_ = std::move(owned.power);
    ownedLid_ = std::move(owned.lid);
    ownedHotkeys_ = std::move(owned.hotkeys);
}

KeepAwakeModule::KeepAwakeModule(Sources sources, QObject* parent)
    : QObject(parent),
      settings_(sources.settings),
      ears_(sources.ears),
      scheduler_(sources.scheduler),
      clock_(sources.clock),
      power_(sources.power),
      logFile_(std::move(sources.logFile)),
      sysRoot_(std::move(sources.sysRoot)),
      devServersRunning_(std::move(sources.devServersRunning)),
      calendar_(std::move(sources.calendar)),
      context_(std::string(moduleID), sources.pipeline),
      processes_(sources.processes),
      lidSwitch_(sources.lidSwitch),
      hotkeys_(sources.hotkeys),
      scanner_(clock_, ::getuid()),
      autoQueue_("com.lunebox.keepawake.auto", scheduler_),
      logQueue_("com.lunebox.keepawake.log", scheduler_)
{
    if (sources.closedLid)
        lid_ = std::make_unique<ClosedLidLink>(std::move(*sources.closedLid), scheduler_);
    else
        helper_ = HelperState::notInstalled;
    choice_ = KeepAwakeSettings::lidChoice(settings_);
    rules_ = KeepAwakeSettings::rules(settings_);
    autoWasEnabled_ = autoEnabled();
    subscription_ = settings_.subscribe([this](int) { settingsChanged(); });
    power_.onSleep([this](bool goingToSleep) {
        record(goingToSleep ? KeepAwakeLogEntry::Event::slept : KeepAwakeLogEntry::Event::woke, {});
        // Battery and heat may have moved a lot meanwhile.
        readAt_.reset();
        if (!goingToSleep)
            tick();
    });
    if (lidSwitch_)
        lidSwitch_->onChange([this](bool closed) { lidChanged(closed); });
}

KeepAwakeModule::~KeepAwakeModule()
{
    settings_.unsubscribe(subscription_);
    stop();
    // The release goes out before the connection closes.
    lid_.reset();
    autoQueue_.shutdown(SerialQueue::Shutdown::Drop);
    // The last writes go out: the status command reads the file.
    logQueue_.shutdown(SerialQueue::Shutdown::Drain);
}

void KeepAwakeModule::attach(SectionRegistry& sections, TrayIcon& tray, AppDelegate& delegate)
{
    sections.add(std::string(rawValue(SurfaceSection::keepAwake)),
                 [this](AppEnvironment&, QWidget* parent) { return new KeepAwakeSection(*this, parent); });
    connect(&tray, &TrayIcon::keepAwakeRequested, this, [this](double seconds) {
        startSession(seconds > 0 ? KeepAwakeMode::duration(seconds) : KeepAwakeMode::indefinite());
    });
    connect(&tray, &TrayIcon::keepAwakeStopRequested, this, &KeepAwakeModule::stopAll);
    connect(&tray, &TrayIcon::autoModeRequested, this, &KeepAwakeModule::setAutoEnabled);
    connect(this, &KeepAwakeModule::changed, &tray,
            [this, &tray] { tray.showKeepAwake(heldKind_ != AssertionKind::none, autoEnabled()); });
    connect(&delegate, &AppDelegate::pausedChanged, this, &KeepAwakeModule::setFrozen);
}

void KeepAwakeModule::probeHelper()
{
    if (!lid_ || probing_)
        return;
    probing_ = true;
    probedAt_ = clock_.now();
    lid_->probe([this](HelperState state) {
        probing_ = false;
        // An install queued after this check has the newer word.
        if (helper_ != HelperState::installing)
            helperProbed(state);
    });
}

void KeepAwakeModule::installHelper() { changeHelper(&ClosedLidLink::install); }

void KeepAwakeModule::removeHelper() { changeHelper(&ClosedLidLink::uninstall); }

void KeepAwakeModule::changeHelper(void (ClosedLidLink::*command)(const ProcessRunner&, ClosedLidLink::Outcome))
{
    if (!lid_ || !processes_ || helper_ == HelperState::installing)
        return;
    // Installing counts as not ready: the refresh lets go of a hold first.
    helper_ = HelperState::installing;
    helperLine_.reset();
    refresh();
    emit changed();
    ((*lid_).*command)(*processes_, [this](std::string line, HelperState state) {
        helperLine_ = std::move(line);
        helperProbed(state);
    });
}

void KeepAwakeModule::helperProbed(HelperState state)
{
    // A helper that is back may be asked again for a hold it refused or dropped.
    if (state == HelperState::ready && helper_ != HelperState::ready)
        leaseBlocked_ = false;
    helper_ = state;
    refresh();
    emit changed();
}

bool KeepAwakeModule::lidHoldWanted() const
{
    KeepAwakeInputs in = inputs();
    in.helper = HelperState::ready;
    return KeepAwakePlan::decide(in).lidLease;
}

void KeepAwakeModule::recheckHelper()
{
    // A lease being taken or renewed has the helper's word already.
    if (!lid_ || helper_ == HelperState::installing || leaseWanted_ || !lidHoldWanted())
        return;
    WallTime now = clock_.now();
    if (probedAt_ && now >= *probedAt_ && now.secondsSince(*probedAt_) < helperCheckInterval)
        return;
    probeHelper();
}

void KeepAwakeModule::start()
{
    if (running_)
        return;
    running_ = true;
    probeHelper();
    log_ = KeepAwakeLog::load(logFile_, clock_.now(), calendar_);
    if (choice_ == LidChoice::stayAwake && !stay_)
        stay_ = StayHold::unfinished(log_.entries, clock_.now(), settings_.get(Keys::keepAwakeLidHours));
    autoController_ = AutoModeController(KeepAwakeSettings::graceSeconds(settings_));
    registerHotkeys();
    readPower();
    readLid();
    restartAuto();
    evaluateRules();
    refresh();
}

void KeepAwakeModule::stop()
{
    if (!running_)
        return;
    if (session_)
        record(KeepAwakeLogEntry::Event::stopped, "ended");
    running_ = false;
    session_.reset();
    stay_.reset();
    away_ = false;
    ++generation_;
    cancel(tickTimer_);
    cancel(autoTimer_);
    cancel(radarTimer_);
    applyAssertion(AssertionKind::none);
    applyLease(false);
    if (hotkeys_) {
        for (const auto& [name, shortcut] : shortcuts_)
            hotkeys_->remove(name);
    }
    shortcuts_.clear();
    if (lastEar_)
        ears_.remove(KeepAwakePlan::sessionEarID);
    lastEar_.reset();
}

void KeepAwakeModule::setFrozen(bool frozen)
{
    if (frozen == frozen_)
        return;
    frozen_ = frozen;
    restartAuto();
}

void KeepAwakeModule::sectionShown(bool shown)
{
    shownSections_ += shown ? 1 : -1;
    if (shownSections_ > 0 && !radarTimer_)
        refreshRadar();
    else if (shownSections_ == 0)
        cancel(radarTimer_);
}

void KeepAwakeModule::cancel(std::optional<Scheduler::TimerId>& timer)
{
    if (timer)
        scheduler_.cancel(*timer);
    timer.reset();
}

bool KeepAwakeModule::autoEnabled() const { return settings_.get(Keys::keepAwakeAutoEnabled); }

GuardrailPolicy KeepAwakeModule::guardrails() const { return KeepAwakeSettings::guardrails(settings_); }

std::string KeepAwakeModule::appName(const std::string& appID)
{
    auto dot = appID.rfind('.');
    return dot == std::string::npos || dot + 1 == appID.size() ? appID : appID.substr(dot + 1);
}

std::map<std::string, int> KeepAwakeModule::workGroups() const
{
    std::map<std::string, int> groups;
    for (const Workload& workload : workloads_)
        ++groups[workload.label];
    return groups;
}

// ---- Holds the user starts

void KeepAwakeModule::startSession(KeepAwakeMode mode)
{
    if (session_)
        record(KeepAwakeLogEntry::Event::stopped, "manual");
    WallTime now = clock_.now();
    session_ = KeepAwakeSession{std::move(mode), now};
    stopped_.reset();
    lastMessage_.reset();
    record(KeepAwakeLogEntry::Event::started, session_->earLabel(now));
    readAt_.reset();  // the guardrails look at once
    tick();
}

void KeepAwakeModule::stopSession()
{
    if (!session_)
        return;
    session_.reset();
    record(KeepAwakeLogEntry::Event::stopped, "manual");
    refresh();
}

void KeepAwakeModule::stopStay()
{
    if (!stay_)
        return;
    stay_.reset();
    record(KeepAwakeLogEntry::Event::stopped, std::string(StayHold::logReason));
    refresh();
}

void KeepAwakeModule::stopAll()
{
    stopSession();
    stopStay();
}

void KeepAwakeModule::setLidChoice(LidChoice choice)
{
    // Choosing "Stay awake" again starts a hold when none runs (its deadline passed).
    if (choice == choice_ && (choice != LidChoice::stayAwake || stay_))
        return;
    choice_ = choice;
    if (choice == LidChoice::stayAwake && !stay_) {
        stay_ = StayHold::starting(clock_.now(), settings_.get(Keys::keepAwakeLidHours));
        stopped_.reset();
        record(KeepAwakeLogEntry::Event::started, std::string(StayHold::logReason));
    } else if (choice != LidChoice::stayAwake && stay_ && !away_) {
        stay_.reset();
        record(KeepAwakeLogEntry::Event::stopped, std::string(StayHold::logReason));
    }
    KeepAwakeSettings::setLidChoice(settings_, choice);
    refresh();
}

void KeepAwakeModule::toggleStay()
{
    if (!stay_) {
        setLidChoice(LidChoice::stayAwake);
        return;
    }
    stopStay();
    if (choice_ == LidChoice::stayAwake)
        setLidChoice(LidChoice::sleepWhenDone);
}

std::vector<WorkloadRule> KeepAwakeModule::customRules() const { return KeepAwakeSettings::customRules(settings_); }

void KeepAwakeModule::setCustomRules(const std::vector<WorkloadRule>& rules)
{
    KeepAwakeSettings::setCustomRules(settings_, rules);
    // The next scan uses them at once.
    restartAuto();
}

void KeepAwakeModule::setAutoEnabled(bool on) { settings_.set(Keys::keepAwakeAutoEnabled, on); }

void KeepAwakeModule::setRules(const KeepAwakeRules& rules)
{
    if (rules.isValid())
        KeepAwakeSettings::setRules(settings_, rules);
}

void KeepAwakeModule::setGuardrails(const GuardrailPolicy& policy) { KeepAwakeSettings::setGuardrails(settings_, policy); }

void KeepAwakeModule::resume()
{
    if (!stopped_)
        return;
    stopped_.reset();
    leaseBlocked_ = false;
    if (resumeStay_) {
        stay_ = StayHold::starting(clock_.now(), settings_.get(Keys::keepAwakeLidHours));
        record(KeepAwakeLogEntry::Event::started, std::string(StayHold::logReason));
    }
    if (auto mode = std::exchange(resumeMode_, std::nullopt)) {
        startSession(std::move(*mode));
        return;
    }
    tick();
}

void KeepAwakeModule::dismiss()
{
    stopped_.reset();
    resumeMode_.reset();
    resumeStay_ = false;
    recap_.reset();
    leaseBlocked_ = false;
    refresh();
}

void KeepAwakeModule::holdForAway(bool on)
{
    if (on == away_)
        return;
    away_ = on;
    tick();
}

// ---- Planning and applying

KeepAwakeInputs KeepAwakeModule::inputs() const
{
    KeepAwakeInputs in;
    in.choice = choice_;
    in.manual = session_;
    in.rule = ruleState_;
    in.ruleSince = ruleSince_;
    if (const KeepAwakeReason* reason = ruleState_.awakeReason()) {
        if (const auto* work = reason->as<KeepAwakeReason::Work>())
            in.who = work->label;
        else if (const auto* app = reason->as<KeepAwakeReason::App>())
            in.who = appName(app->appID);
    }
    in.stay = stay_;
    in.away = away_;
    in.helper = helper_;
    in.lidGuard = lidGuard_;
    in.lidClosed = lidIsClosed_;
    in.stopped = stopped_;
    in.recap = recap_;
    in.allowDisplaySleep = settings_.get(Keys::keepAwakeAllowDisplaySleep);
    return in;
}

KeepAwakeStatus KeepAwakeModule::status() const { return KeepAwakePlan::status(inputs(), clock_.now(), calendar_); }

std::vector<KeepAwakeHolder> KeepAwakeModule::holders() const
{
    std::vector<std::pair<std::string, std::string>> apps;
    for (const std::string& id : runningApps_)
        apps.emplace_back(id, appName(id));
    bool onPower = readings_.onAC.value_or(readings_.charging);
    return KeepAwakeHolders::rows(inputs(), workloads_, apps, rules_, onPower, externalDisplay_, clock_.now(),
                                  calendar_);
}

KeepAwakeRuleEngine::Card KeepAwakeModule::autoCard() const
{
    return KeepAwakeRuleEngine::card(ruleState_, rules_, [](const std::string& id) { return appName(id); },
                                     clock_.now());
}

void KeepAwakeModule::refresh()
{
    if (!running_)
        return;
    KeepAwakeDecision decision = KeepAwakePlan::decide(inputs());
    applyAssertion(decision.assertion);
    applyLease(decision.lidLease);
    updateEar();
    armTick();
    emit changed();
}

void KeepAwakeModule::applyAssertion(AssertionKind wanted)
{
    AssertionChange change = KeepAwakePlan::assertionChange(heldKind_, wanted);
    if (change.release) {
        hold_.reset();
        heldKind_ = AssertionKind::none;
    }
    if (!change.create)
        return;
    auto taken = power_.hold(*change.create, std::string(KeepAwakePlan::assertionName));
    if (!taken) {
        logger_.warning("no power hold: {}", taken.error().message());
        lastMessage_ = std::string(KeepAwakeEvents::assertionRefused);
        if (session_) {
            session_.reset();
            record(KeepAwakeLogEntry::Event::stopped, "ended");
        }
        return;
    }
    hold_ = std::move(*taken);
    heldKind_ = *change.create;
}

void KeepAwakeModule::updateEar()
{
    std::optional<KeepAwakeEar> ear;
    // The short words fit an ear narrower than a symbol beside a text needs.
    bool wide = points(settings_.get(Keys::earWidth)) >= Activity::pairWidth;
    if (settings_.get(ModuleSwitch::ears(moduleID)))
        ear = KeepAwakePlan::ear(inputs(), clock_.now(), wide);
    if (ear == lastEar_)
        return;
    lastEar_ = ear;
    if (!ear) {
        ears_.remove(KeepAwakePlan::sessionEarID);
        return;
    }
    std::optional<WallTime> since = session_ ? std::optional(session_->startedAt) : ruleSince_;
    ears_.post(Activity{.id = std::string(KeepAwakePlan::sessionEarID),
                        .moduleID = std::string(moduleID),
                        .kind = std::string(KeepAwakePlan::sessionEarID),
                        .priority = earPriority,
                        .left = EarContent::symbolText(ear->symbol, ear->label),
                        .right = ear->detail.empty() ? EarContent::none() : EarContent::text(ear->detail),
                        .tintHex = std::string(tint(ear->tone)),
                        .createdAt = clock_.now(),
                        .detail = ear->full,
                        .since = since});
}

// ---- The tick: the session's end, power and the guardrails

void KeepAwakeModule::armTick()
{
    cancel(tickTimer_);
    // Nothing to watch while nothing holds and Auto Mode is off, unless a
    // closed lid's opening is awaited for its recap.
    if (!running_ || !(session_ || stay_ || away_ || autoEnabled() || lidLogged_))
        return;
    tickTimer_ = scheduler_.schedule(KeepAwakePlan::earTick(session_), [this] {
        tickTimer_.reset();
        tick();
    });
}

void KeepAwakeModule::tick()
{
    if (!running_)
        return;
    checkSessionEnd();
    if (!readAt_ || clock_.now().secondsSince(*readAt_) >= powerInterval || clock_.now() < *readAt_) {
        readPower();
        readLid();
    }
    checkGuardrails();
    evaluateRules();
    recheckHelper();
    refresh();
}

void KeepAwakeModule::readLid()
{
    if (!lidSwitch_ || lidReading_)
        return;
    lidReading_ = true;
    QPointer<KeepAwakeModule> self(this);
    lidSwitch_->read([self](std::optional<bool> closed) {
        if (!self)
            return;
        self->lidReading_ = false;
        if (closed)
            self->lidChanged(*closed);
    });
}

void KeepAwakeModule::lidChanged(bool closed)
{
    if (!running_ || closed == lidIsClosed_)
        return;
    lidIsClosed_ = closed;
    if (closed) {
        if (heldKind_ != AssertionKind::none || leaseHeld_) {
            record(KeepAwakeLogEntry::Event::lidClosed, inputs().who.value_or(""));
            lidLogged_ = true;
        }
    } else if (std::exchange(lidLogged_, false)) {
        record(KeepAwakeLogEntry::Event::lidOpened, {});
        recap_ = KeepAwakeRecap::build(log_.entries, clock_.now(), calendar_);
    }
    refresh();
}

void KeepAwakeModule::readPower()
{
    readings_ = PowerReadings::read(sysRoot_);
    readAt_ = clock_.now();
}

void KeepAwakeModule::checkSessionEnd()
{
    if (!session_ || !session_->isExpired(clock_.now(), processRuns, devServersRunning_()))
        return;
    session_.reset();
    record(KeepAwakeLogEntry::Event::stopped, "ended");
    context_.post(KeepAwakeEvents::ended());
}

void KeepAwakeModule::checkGuardrails()
{
    WallTime now = clock_.now();
    GuardrailInput input{readings_.thermal, readings_.batteryPercent, readings_.charging, readings_.onAC, now,
                         stay_ ? stay_->deadline : now.plusSeconds(noDeadline)};
    GuardrailDecision decision = guardrails().decide(input);
    lidGuard_ = decision.stopReason();
    bool holding = KeepAwakePlan::decide(inputs()).assertion != AssertionKind::none;
    if (thermal_.update(readings_.thermal, holding))
        context_.post(KeepAwakeEvents::thermalWarning());
    // Charging-only guards the closed-lid hold alone; the others end the user's holds.
    if (lidGuard_ && *lidGuard_ != StopReason::unplugged && (session_ || stay_))
        guardedStop(StopCause::from(*lidGuard_, readings_.batteryPercent), std::string(rawValue(*lidGuard_)));
}

void KeepAwakeModule::guardedStop(StopCause cause, std::string logReason)
{
    WallTime now = clock_.now();
    resumeMode_.reset();
    if (session_) {
        resumeMode_ = session_->mode;
        if (auto left = session_->remaining(now))
            resumeMode_ = KeepAwakeMode::duration(*left);
    }
    resumeStay_ = stay_.has_value();
    const auto* working = std::get_if<KeepAwakeAgents::Working>(&agents_.value);
    stopped_ = KeepAwakeStop{cause, now, working ? std::optional(working->label) : std::nullopt, lidIsClosed_};
    session_.reset();
    stay_.reset();
    record(KeepAwakeLogEntry::Event::guardrail, std::move(logReason));
    context_.post(KeepAwakeEvents::guardedStop(cause));
}

// ---- The closed-lid hold

void KeepAwakeModule::applyLease(bool wanted)
{
    if (!wanted)
        leaseBlocked_ = false;
    wanted = wanted && running_ && lid_ && !leaseBlocked_;
    if (wanted == leaseWanted_)
        return;
    leaseWanted_ = wanted;
    ++leaseGeneration_;
    cancel(renewTimer_);
    auto answered = [this, generation = leaseGeneration_](std::optional<ClosedLidHelperStatus> status) {
        leaseAnswered(generation, std::move(status));
    };
    if (wanted) {
        WallTime now = clock_.now();
        lid_->hold({leaseSeconds, KeepAwakePlan::leaseHardDeadlineSeconds(stay_, now),
                    KeepAwakePlan::leaseBatteryFloor(guardrails())},
                   std::move(answered));
        return;
    }
    if (std::exchange(leaseHeld_, false))
        record(KeepAwakeLogEntry::Event::closedLidOff, "closed lid");
    lid_->release(std::move(answered));
}

void KeepAwakeModule::renewLease()
{
    logger_.info("{}", KeepAwakeEvents::leaseRenewal);
    lid_->renew([this, generation = leaseGeneration_](std::optional<ClosedLidHelperStatus> status) {
        leaseAnswered(generation, std::move(status));
    });
}

void KeepAwakeModule::leaseAnswered(std::uint64_t generation, std::optional<ClosedLidHelperStatus> status)
{
    if (status)
        lidStatus_ = status;
    if (generation != leaseGeneration_ || !leaseWanted_) {
        emit changed();
        return;
    }
    if (!status || !status->ok || !status->holding) {
        leaseLost(status);
        return;
    }
    if (!std::exchange(leaseHeld_, true))
        record(KeepAwakeLogEntry::Event::closedLidOn, "closed lid");
    renewTimer_ = scheduler_.schedule(renewInterval, [this] {
        renewTimer_.reset();
        renewLease();
    });
    emit changed();
}

void KeepAwakeModule::leaseLost(const std::optional<ClosedLidHelperStatus>& status)
{
    logger_.warning("the closed-lid hold is gone: {}",
                    status ? status->message.value_or("the helper let go") : "no answer from the helper");
    leaseWanted_ = false;
    leaseBlocked_ = true;
    ++leaseGeneration_;
    cancel(renewTimer_);
    if (std::exchange(leaseHeld_, false))
        record(KeepAwakeLogEntry::Event::closedLidOff, "closed lid");
    if (!status)
        helper_ = HelperState::unreachable;
    // The helper's ordinary ends give no cause, yet this hold was still wanted.
    std::optional<StopCause> cause;
    if (status && status->lastStop)
        cause = StopCause::from(*status->lastStop, readings_.batteryPercent);
    if (cause)
        guardedStop(*cause, std::string(rawValue(*status->lastStop)));
    else
        guardedStop(StopCause::helperFailed(), std::string(rawValue(LidStopReason::failed)));
    refresh();
}

// ---- Auto Mode

void KeepAwakeModule::restartAuto()
{
    ++generation_;
    cancel(autoTimer_);
    if (scanning())
        armAuto(0);
}

void KeepAwakeModule::armAuto(double delay)
{
    cancel(autoTimer_);
    autoTimer_ = scheduler_.schedule(delay, [this] {
        autoTimer_.reset();
        autoTick();
    });
}

void KeepAwakeModule::autoTick()
{
    if (scanInFlight_) {
        rescan_ = true;
        return;
    }
    scanInFlight_ = true;
    std::set<KeepAwakeRules::Source> sources = rules_.sources(true, away_);
    std::vector<WorkloadRule> rules;
    if (sources.contains(KeepAwakeRules::Source::workloadScan))
        rules = KeepAwakeSettings::scanRules(settings_);
    std::vector<std::string> apps;
    if (sources.contains(KeepAwakeRules::Source::apps))
        apps = rules_.appBundleIDs;
    autoQueue_.submit(
        [this, rules = std::move(rules), apps = std::move(apps)] {
            AutoScan scan;
            if (!rules.empty())
                scan.workloads = scanner_.scan(rules);
            scan.runningApps = runningApps(apps);
            return scan;
        },
        [this, generation = generation_](AutoScan scan) { deliverScan(generation, std::move(scan)); });
}

void KeepAwakeModule::deliverScan(std::uint64_t generation, AutoScan scan)
{
    scanInFlight_ = false;
    bool again = std::exchange(rescan_, false);
    if (generation == generation_)
        applyScan(std::move(scan));
    if (scanning() && !autoTimer_)
        armAuto(again ? 0 : autoInterval);
}

void KeepAwakeModule::applyScan(AutoScan scan)
{
    workloads_ = std::move(scan.workloads);
    runningApps_ = std::move(scan.runningApps);
    AutoDecision decision = autoController_.update(workloads_, clock_.now());
    agents_ = KeepAwakeAgents::from(workloads_, autoController_.graceUntil(), agents_);
    if (const auto* working = std::get_if<KeepAwakeAgents::Working>(&agents_.value))
        lastWho_ = working->label;
    if (const auto* release = std::get_if<AutoDecision::Release>(&decision.value); release && release->workDone) {
        record(KeepAwakeLogEntry::Event::workDone, lastWho_.value_or("work"));
        context_.post(KeepAwakeEvents::workDone());
    }
    tick();
}

void KeepAwakeModule::evaluateRules()
{
    KeepAwakeRuleInputs in;
    in.agents = agents_;
    in.runningApps = runningApps_;
    in.onPower = readings_.onAC.value_or(readings_.charging);
    externalDisplay_ = rules_.display && hasExternalDisplay();
    in.externalDisplay = externalDisplay_;
    in.guardStop = KeepAwakeGuards::evaluate(readings_.thermal, readings_.batteryPercent, readings_.charging,
                                             readings_.onAC, guardrails());
    KeepAwakeRuleState before = ruleState_;
    ruleState_ = KeepAwakeRuleEngine::evaluate(autoEnabled(), rules_, in);
    if (!ruleState_.sameCase(before) || !ruleSince_)
        ruleSince_ = clock_.now();
    ruleStateChanged(before);
}

void KeepAwakeModule::ruleStateChanged(const KeepAwakeRuleState& before)
{
    const KeepAwakeReason* was = before.awakeReason();
    const KeepAwakeReason* now = ruleState_.awakeReason();
    bool wasHolding = was != nullptr && was->as<KeepAwakeReason::Winding>() == nullptr;
    bool nowHolding = now != nullptr && now->as<KeepAwakeReason::Winding>() == nullptr;
    if (nowHolding && (!wasHolding || was->logKey() != now->logKey())) {
        record(KeepAwakeLogEntry::Event::autoHold, now->logKey());
        return;
    }
    // Winding down ends in "workDone", logged when the grace ran out.
    if (was == nullptr || now != nullptr || !wasHolding)
        return;
    if (const auto* paused = ruleState_.as<KeepAwakeRuleState::Paused>())
        record(KeepAwakeLogEntry::Event::autoRelease,
               paused->guard == KeepAwakeGuard::lowBattery ? "battery low" : "too hot");
    else if (ruleState_.as<KeepAwakeRuleState::Off>() != nullptr)
        record(KeepAwakeLogEntry::Event::autoRelease, "auto off");
    else
        record(KeepAwakeLogEntry::Event::autoRelease, "no rule matches");
}

// ---- The radar

void KeepAwakeModule::refreshRadar()
{
    cancel(radarTimer_);
    QPointer<KeepAwakeModule> self(this);
    power_.listInhibitors([self](platform::PowerInhibitor::Inhibitors listed) {
        if (!self)
            return;
        if (!listed) {
            self->logger_.info("no radar: {}", listed.error().message());
            return;
        }
        self->radar_ = AwakeRadar::rows(AwakeRadar::parse(*listed, describeProcess), ::getpid(), ::getuid());
        emit self->changed();
    });
    if (shownSections_ > 0 && running_ && !frozen_)
        radarTimer_ = scheduler_.schedule(radarInterval, [this] {
            radarTimer_.reset();
            refreshRadar();
        });
}

bool KeepAwakeModule::quitRadarProcess(std::int32_t pid)
{
    auto row = std::find_if(radar_.begin(), radar_.end(), [pid](const AwakeRadar::Row& each) { return each.pid == pid; });
    if (row == radar_.end() || !row->canQuit || row->system || pid < 1 || pid == ::getpid())
        return false;
    if (::kill(pid, SIGTERM) != 0) {
        logger_.info("{} did not take the quit: {}", row->name, Error::fromErrno("kill", row->name).message());
        return false;
    }
    refreshRadar();
    return true;
}

// ---- Global shortcuts

void KeepAwakeModule::registerHotkeys()
{
    if (!hotkeys_ || !running_)
        return;
    struct Entry {
        const SettingKey<Hotkey>& key;
        std::string_view what;
        std::function<void()> pressed;
    };
    const Entry entries[] = {
        {Keys::hotkeyKeepAwakeLid, "Stay awake", [this] { toggleStay(); }},
        {Keys::hotkeyKeepAwakeAuto, "Auto Mode", [this] { setAutoEnabled(!autoEnabled()); }},
        {Keys::hotkeyKeepAwakeStop, "Stop keeping awake", [this] { stopAll(); }},
    };
    for (const Entry& entry : entries) {
        Shortcut wanted{settings_.get(entry.key).value_or(""), std::nullopt};
        auto found = shortcuts_.find(entry.key.name);
        if (found != shortcuts_.end() && found->second.trigger == wanted.trigger)
            continue;
        auto combination = platform::KeyCombination::parse(wanted.trigger);
        if (wanted.trigger.empty())
            hotkeys_->remove(entry.key.name);
        else if (!combination) {
            hotkeys_->remove(entry.key.name);
            wanted.problem = fmt::format("{}: \"{}\" is no shortcut this keyboard can type.", entry.what,
                                         wanted.trigger);
        } else {
            switch (hotkeys_->add(entry.key.name, *combination, entry.pressed)) {
            case platform::GlobalHotkeys::Grab::grabbed: break;
            case platform::GlobalHotkeys::Grab::taken:
                wanted.problem = fmt::format("{}: {} is taken by another program.", entry.what, combination->text());
                break;
            case platform::GlobalHotkeys::Grab::noKey:
                wanted.problem = fmt::format("{}: this keyboard has no key for {}.", entry.what, combination->text());
                break;
            case platform::GlobalHotkeys::Grab::noServer:
                wanted.problem = fmt::format("{}: shortcuts need an X11 session.", entry.what);
                break;
            }
        }
        shortcuts_[entry.key.name] = std::move(wanted);
    }
}

std::vector<std::string> KeepAwakeModule::hotkeyProblems() const
{
    std::vector<std::string> out;
    for (const auto& [name, shortcut] : shortcuts_) {
        if (shortcut.problem)
            out.push_back(*shortcut.problem);
    }
    return out;
}

// ---- Log and settings

void KeepAwakeModule::record(KeepAwakeLogEntry::Event event, std::string reason)
{
    WallTime now = clock_.now();
    log_.append(KeepAwakeLogEntry{now, event, std::move(reason), readings_.batteryPercent}, now);
    logQueue_.async([log = log_, file = logFile_] {
        if (auto saved = log.save(file); !saved)
            Logger("keepAwake").warning("the keep-awake log was not written: {}", saved.error().message());
    });
}

void KeepAwakeModule::settingsChanged()
{
    choice_ = KeepAwakeSettings::lidChoice(settings_);
    KeepAwakeRules rules = KeepAwakeSettings::rules(settings_);
    bool enabled = autoEnabled();
    bool autoChanged = rules != rules_ || enabled != autoWasEnabled_;
    rules_ = std::move(rules);
    if (enabled && !autoWasEnabled_)
        autoController_ = AutoModeController(KeepAwakeSettings::graceSeconds(settings_));
    autoWasEnabled_ = enabled;
    if (!enabled) {
        workloads_.clear();
        agents_ = KeepAwakeAgents::idle();
    }
    if (autoChanged)
        restartAuto();
    registerHotkeys();
    if (running_)
        tick();
}

}  // namespace corvane::app
