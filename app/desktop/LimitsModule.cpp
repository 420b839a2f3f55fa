#include "app/desktop/LimitsModule.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QPointer>

#include <fmt/ostream.h>

#include "app/desktop/AISection.h"
#include "app/desktop/AgentsModule.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/EarController.h"
#include "app/desktop/SectionRegistry.h"
#include "core/agents/ClaudeAccounts.h"
#include "core/agents/LimitAlerts.h"
#include "core/agents/LimitIngest.h"
#include "core/base/Files.h"
#include "core/notch/KeychainAccess.h"
#include "core/notch/Keys.h"
#include "core/notch/SurfaceSection.h"

namespace corvane::app {

namespace fs = std::filesystem;

namespace {

// The newest statusline reading, which keeps the endpoint quiet while it is recent.
std::optional<WallTime> newestObserved(const std::vector<ProviderUsage>& usages)
{
    std::optional<WallTime> newest;
    for (const ProviderUsage& usage : usages)
        if (!newest || usage.observedAt > *newest)
            newest = usage.observedAt;
    return newest;
}

// The window id at the end of a tracker key, for a window no reading names any more.
std::string windowID(const std::string& key) { return key.substr(key.rfind(':') + 1); }

std::optional<WallTime> earliest(std::optional<WallTime> a, std::optional<WallTime> b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    return std::min(*a, *b);
}

}  // namespace

LimitsModule::LimitsModule(AppEnvironment& environment, AgentsModule& agents, QObject* parent)
    : LimitsModule(
          Sources{.settings = environment.settings(),
                  .pipeline = environment.pipeline(),
                  .ears = environment.ears(),
                  .scheduler = environment.scheduler(),
                  .clock = environment.clock(),
                  .calendar = Calendar::local(),
                  .dataFolder = environment.paths().appSupport(),
                  .statusFolder = environment.paths().statusFile().parent_path(),
                  .credentials = ClaudeOAuth::credentialsPath(KnownPaths::processEnvironment(),
                                                              environment.paths().home()),
                  .codexLimits = [&agents](CodexReply reply) { agents.latestCodexLimits(std::move(reply)); },
                  .credentialsAllowed = KeychainAccess::allowed()},
          parent)
{
    connect(&agents, &AgentsModule::stateChanged, this, &LimitsModule::agentsChanged);
}

LimitsModule::LimitsModule(Sources sources, QObject* parent)
    : QObject(parent)
    , settings_(sources.settings)
    , ears_(sources.ears)
    , scheduler_(sources.scheduler)
    , clock_(sources.clock)
    , calendar_(sources.calendar)
    , statusFolder_(sources.statusFolder)
    , codexLimits_(std::move(sources.codexLimits))
    , context_(std::string(moduleID), sources.pipeline)
    , run_(settings_.moduleEnabled(moduleID), [this] { startSources(); }, [this] { stopSources(); })
    , trackerFile_(LimitAlertTracker::file(sources.dataFolder))
    , credentials_(sources.credentials)
    , credentialsAllowed_(sources.credentialsAllowed)
    , usageURL_(std::move(sources.usageURL))
    , http_(sources.http)
    , queue_("com.lunebox.ai.limits", scheduler_)
{
    settingsNow_ = currentSettings();
    subscription_ = settings_.subscribe([this](int) { settingsChanged(); });
}

LimitsModule::~LimitsModule()
{
    settings_.unsubscribe(subscription_);
    stopSources();
    queue_.shutdown(SerialQueue::Shutdown::Drop);
}

void LimitsModule::registerSection(SectionRegistry& sections)
{
    sections.extend(rawValue(SurfaceSection::ai), [this](QWidget* widget) {
        if (auto* section = qobject_cast<AISection*>(widget)) {
            section->setLimits(state_);
            connect(this, &LimitsModule::changed, section, &AISection::setLimits);
        }
    });
}

void LimitsModule::start() { run_.setRunning(true); }

void LimitsModule::stop() { run_.setRunning(false); }

void LimitsModule::setFrozen(bool frozen) { run_.setFrozen(frozen); }

void LimitsModule::startSources()
{
    ++generation_;
    // The tap creates the folder with its first reading; watching it from
    // the start catches that one too.
    if (auto created = createDirectories(statusFolder_, 0700); !created)
        log_.warning("status folder: {}", created.error().message());
    auto watcher = FileWatcher::start({{{statusFolder_, 0}}, watchLatency, "status"},
                                      [this](const FileWatcher::Changes&) {
                                          queue_.toMainThread([this] { refresh(); });
                                      });
    if (watcher)
        watcher_ = std::move(*watcher);
    else
        log_.warning("status files are read only when a look is due: {}", watcher.error().message());
    askCodex();
    refresh();
}

void LimitsModule::stopSources()
{
    ++generation_;
    watcher_.reset();
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    nextLook_.reset();
    looks_.reset();
    codexAsked_ = false;
    if (pick_)
        ears_.remove(NearLimit::activityID);
    pick_.reset();
}

LimitsModule::Settings LimitsModule::currentSettings() const
{
    return Settings{.claude = settings_.get(Keys::aiLimitsClaude),
                    .codex = settings_.get(Keys::aiLimitsCodex),
                    .poll = settings_.get(Keys::aiLimitsClaudeOAuth) && credentialsAllowed_,
                    .thresholds = settings_.get(Keys::aiLimitThresholds),
                    .resetAlert = settings_.get(Keys::aiLimitResetAlert),
                    .staleAfter = std::max(1, settings_.get(Keys::aiLimitStaleMinutes)) * 60.0,
                    .earAt = settings_.get(Keys::aiLimitEarAt)};
}

void LimitsModule::settingsChanged()
{
    run_.setEnabled(settings_.moduleEnabled(moduleID));
    Settings now = currentSettings();
    if (now == settingsNow_)
        return;
    bool codexOn = now.codex && !settingsNow_.codex;
    settingsNow_ = now;
    if (codexOn)
        askCodex();
    refresh();
}

void LimitsModule::agentsChanged()
{
    if (active() && settingsNow_.codex)
        askCodex();
}

void LimitsModule::askCodex()
{
    if (!codexLimits_ || codexAsked_ || !settingsNow_.codex)
        return;
    codexAsked_ = true;
    // The agents module may answer after this module is gone.
    codexLimits_([self = QPointer<LimitsModule>(this), generation = generation_](std::optional<ProviderUsage> reading) {
        if (self)
            self->codexAnswered(generation, std::move(reading));
    });
}

void LimitsModule::codexAnswered(std::uint64_t generation, std::optional<ProviderUsage> reading)
{
    if (generation != generation_)
        return;
    codexAsked_ = false;
    if (reading == codex_)
        return;
    codex_ = std::move(reading);
    refresh();
}

void LimitsModule::refresh()
{
    if (!active())
        return;
    if (!looks_.begin())
        return;
    Look look{clock_.now(), settingsNow_, codex_};
    queue_.submit([this, look = std::move(look)] { return pass(look); },
                  [this, generation = generation_](Pass found) { apply(generation, std::move(found)); });
}

void LimitsModule::apply(std::uint64_t generation, Pass found)
{
    if (generation != generation_)
        return;
    bool again = looks_.end();
    for (const AlertPost& alert : found.alerts)
        context_.post(alert);
    state_ = std::move(found.state);
    updateEar();
    arm(found.wake);
    emit changed(state_);
    if (again)
        refresh();
}

void LimitsModule::arm(std::optional<WallTime> wake)
{
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    nextLook_ = wake;
    if (!wake)
        return;
    double delay = std::max(minimumDelay, wake->secondsSince(clock_.now()) + wakeMargin);
    timer_ = scheduler_.schedule(delay, [this] {
        timer_.reset();
        nextLook_.reset();
        refresh();
    });
}

void LimitsModule::updateEar()
{
    WallTime now = clock_.now();
    std::optional<NearLimit::Pick> picked;
    if (settings_.get(ModuleSwitch::ears(moduleID)))
        picked = NearLimit::pick(state_.usages, settingsNow_.earAt, now, state_.staleAfter, pick_);
    if (picked == pick_)
        return;
    pick_ = std::move(picked);
    if (pick_)
        ears_.post(NearLimit::activity(*pick_, now));
    else
        ears_.remove(NearLimit::activityID);
}

// ---- Limits queue ----------------------------------------------------------

LimitsModule::Pass LimitsModule::pass(const Look& look)
{
    const Settings& settings = look.settings;
    WallTime now = look.now;
    if (!tracker_)
        tracker_ = LimitAlertTracker::load(trackerFile_, now, calendar_);

    std::vector<ProviderUsage> usages;
    std::optional<WallTime> statuslineAt;
    if (settings.claude) {
        usages = ClaudeAccounts::usages(ClaudeAccounts::files(statusFolder_, now), now);
        statuslineAt = newestObserved(usages);
        if (settings.poll)
            poll(now, statuslineAt);
        if (oauth_)
            usages = ClaudeAccounts::merge(*oauth_, std::move(usages));
    }
    if (settings.codex && look.codexReading)
        usages.push_back(*look.codexReading);

    Pass found;
    LimitAlertTracker before = *tracker_;
    LimitIngest::Plan plan =
        LimitIngest::plan(usages, now, settings.staleAfter, *tracker_, settings.thresholds, settings.resetAlert);
    for (const LimitIngest::Fired& fired : plan.alerts)
        found.alerts.push_back(LimitAlerts::post(fired, now, calendar_));
    for (const LimitAlertTracker::Expired& expired : tracker_->expire(now, settings.resetAlert)) {
        if (expired.resetAlert)
            found.alerts.push_back(LimitAlerts::reset(LimitIngest::provider(expired.key),
                                                      LimitIngest::label(expired.key, usages)
                                                          .value_or(windowID(expired.key))));
    }
    if (*tracker_ != before)
        if (auto saved = tracker_->save(trackerFile_); !saved)
            log_.warning("{}: {}", LimitAlertTracker::fileName, saved.error().message());
    for (const LimitIngest::Sample& sample : plan.samples)
        burn_.record(sample.key, sample.percent, sample.at, sample.resetsAt);

    found.wake = LimitIngest::nextWake(usages, tracker_->nextReset(), now, settings.staleAfter);
    if (settings.claude && settings.poll)
        found.wake = earliest(found.wake, nextPoll(now, statuslineAt));
    found.state = LimitsState{std::move(usages), burn_, settings.poll, settings.poll ? endpoint_ : std::nullopt,
                              settings.staleAfter};
    return found;
}

void LimitsModule::poll(WallTime now, std::optional<WallTime> statuslineAt)
{
    if (!ClaudeOAuth::shouldPoll(now, statuslineAt, lastPoll_))
        return;
    lastPoll_ = now;
    ClaudeOAuth::KeychainRead stored =
        ClaudeOAuth::keychainRead(readFileCapped(credentials_, ClaudeOAuth::maxCredentials), true);
    auto transport = [this](const ClaudeOAuth::Request& request) -> std::optional<ClaudeOAuth::Response> {
        HttpResult result = http_.get(usageURL_, request.headers, request.timeoutSeconds, ClaudeOAuth::maxResponse);
        if (result.ok())
            return ClaudeOAuth::Response{result.response().status, result.response().body};
        log_.info("usage endpoint: {}", fmt::streamed(result.error()));
        // An answer without a usable body still carries its status.
        if (result.error().status != 0)
            return ClaudeOAuth::Response{result.error().status, {}};
        return std::nullopt;
    };
    endpoint_ = ClaudeOAuth::fetch(stored, now, transport);
    if (endpoint_->usage) {
        oauth_ = *endpoint_->usage;
        oauth_->account = ClaudeAccount{std::string(ClaudeAccounts::oauthKey), std::string(ClaudeAccount::thisMacLabel)};
    }
}

std::optional<WallTime> LimitsModule::nextPoll(WallTime now, std::optional<WallTime> statuslineAt) const
{
    WallTime at = lastPoll_ ? lastPoll_->plusSeconds(ClaudeOAuth::pollEvery) : now;
    // The endpoint stays quiet while the statusline reports.
    if (statuslineAt)
        at = std::max(at, statuslineAt->plusSeconds(ClaudeOAuth::statuslineQuiet + 1));
    return at;
}

// ---- Rows ------------------------------------------------------------------

std::string LimitsModule::age(double seconds)
{
    if (seconds < 60)
        return "just now";
    // Whole minutes gone by, not the countdown's rounding up.
    return LimitPace::duration(std::floor(seconds / 60) * 60) + " ago";
}

std::vector<LimitRow> LimitsModule::rows(const LimitsState& state, WallTime now, const Calendar& calendar)
{
    std::vector<LimitRow> made;
    for (const ProviderUsage& usage : state.usages) {
        std::string owner(title(usage.provider));
        if (usage.account)
            owner += " · " + usage.account->label.value_or(std::string(ClaudeAccount::otherLabel));
        for (const UsageWindow& window : usage.windows) {
            std::string key = LimitIngest::key(usage, window);
            WindowFreshness freshness = window.freshness(now, state.staleAfter);
            LimitRow row;
            row.key = key;
            row.title = owner + " · " + window.label;
            row.percent = window.usedPercent;
            row.pace = LimitPace::line(window.usedPercent, window.resetsAt, state.burn.estimate(key, now), now,
                                       calendar);
            if (window.resetsAt)
                row.resets = "Resets " + LimitPace::moment(*window.resetsAt, now, calendar);
            row.source = window.source;
            row.age = LimitWindowText::status(freshness, calendar).value_or(age(now.secondsSince(window.observedAt)));
            row.stale = !freshness.isFresh();
            made.push_back(std::move(row));
        }
    }
    return made;
}

}  // namespace corvane::app
