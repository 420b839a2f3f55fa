#include "app/desktop/AgentsModule.h"

#include <algorithm>
#include <utility>

#include <unistd.h>

#include <fmt/format.h>

#include "app/desktop/AISection.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/EarController.h"
#include "app/desktop/SectionRegistry.h"
#include "core/agents/RestartRule.h"
#include "core/base/BootTime.h"
#include "core/base/Files.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleCatalog.h"
#include "core/notch/SurfaceSection.h"
#include "platform/linux/DesktopTerminalLauncher.h"

namespace corvane::app {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view indexFileName = "ai-index.json";

double stuckAfter(const AgentsModule::Timing& timing, SettingsStore& settings)
{
    return timing.stuckAfter.value_or(AgentActivity::stuckAfterSeconds(settings.get(Keys::aiStuckMinutes)));
}

LiveAgents processScan()
{
    return AgentLiveness::scan(::getuid());
}

bool isTranscript(const fs::path& path)
{
    return path.extension() == ".jsonl";
}

// The ear's words for the sessions that work: one names its agent and project.
struct WorkingWords {
    std::string right;
    std::string detail;
};

WorkingWords workingWords(const std::vector<const AgentTimeline::Session*>& sessions)
{
    if (sessions.size() == 1) {
        const AgentTimeline::Session& session = *sessions.front();
        std::string where = session.project.empty() ? std::string() : " in " + session.project;
        return {session.project.empty() ? std::string("Working") : session.project,
                fmt::format("{} is working{}", session.agent, where)};
    }
    return {fmt::format("{} working", sessions.size()), fmt::format("{} agent sessions are working", sessions.size())};
}

}  // namespace

AgentsModule::AgentsModule(AppEnvironment& environment, QObject* parent)
    : AgentsModule(Sources{environment.settings(), environment.pipeline(), environment.ears(), environment.scheduler(),
                           environment.clock(), Calendar::local(), environment.paths().appSupport(),
                           environment.paths().inbox(),
                           TranscriptCatalog::defaultRoots(KnownPaths::processEnvironment()), Timing{}, nullptr},
                   parent)
{
}

AgentsModule::AgentsModule(Sources sources, QObject* parent)
    : QObject(parent)
    , settings_(sources.settings)
    , ears_(sources.ears)
    , scheduler_(sources.scheduler)
    , clock_(sources.clock)
    , calendar_(sources.calendar)
    , inbox_(sources.inbox)
    , roots_(sources.roots)
    , timing_(sources.timing)
    , context_(std::string(moduleID), sources.pipeline)
    , projectsContext_(std::string(CommandFinished::moduleID), sources.pipeline)
    , frontApp_(std::move(sources.frontApp))
    , store_(sources.dataFolder)
    , run_(settings_.moduleEnabled(moduleID), [this] { startSources(); }, [this] { stopSources(); })
    , storePath_(sources.dataFolder / indexFileName)
    , prices_(PriceTable::withOverrides(settings_.get(Keys::aiPriceOverrides)))
    , live_({timing_.workingWindow, timing_.finishAfter, stuckAfter(timing_, settings_)},
            sources.liveness ? std::move(sources.liveness) : LiveTranscripts::Liveness(processScan))
    , indexQueue_("com.lunebox.ai.index", scheduler_)
    , transcriptsQueue_("com.lunebox.ai.transcripts", scheduler_)
    , hooksQueue_("com.lunebox.ai.hooks", scheduler_)
{
    subscription_ = settings_.subscribe([this](int) { settingsChanged(); });
}

AgentsModule::~AgentsModule()
{
    settings_.unsubscribe(subscription_);
    stopSources();
    hooksQueue_.shutdown(SerialQueue::Shutdown::Drop);
    transcriptsQueue_.shutdown(SerialQueue::Shutdown::Drop);
    indexQueue_.shutdown(SerialQueue::Shutdown::Drop);
    if (indexer_)
        if (auto saved = indexer_->save(); !saved)
            log_.warning("ai index: {}", saved.error().message());
}

void AgentsModule::registerSection(SectionRegistry& sections, std::function<void()> openSettings)
{
    auto factory = [this, openSettings](AppEnvironment& environment, QWidget* parent) {
        AISection::Services services{.settings = settings_,
                                     .clock = clock_,
                                     .calendar = calendar_,
                                     .terminal = std::make_shared<platform::DesktopTerminalLauncher>(),
                                     .copy = {},
                                     .refreshHistory = [this] { refreshHistory(); },
                                     .openSettings = openSettings,
                                     .skillFile = environment.paths().agentSkill(),
                                     .inbox = inbox_};
        auto* section = new AISection(std::move(services), parent);
        section->setState(state_);
        connect(this, &AgentsModule::stateChanged, section, &AISection::setState);
        return section;
    };
    sections.add(std::string(rawValue(SurfaceSection::ai)), std::move(factory));
}

void AgentsModule::start() { run_.setRunning(true); }

void AgentsModule::stop() { run_.setRunning(false); }

void AgentsModule::setFrozen(bool frozen) { run_.setFrozen(frozen); }

void AgentsModule::loadTimeline()
{
    if (timelineLoaded_)
        return;
    timelineLoaded_ = true;
    WallTime now = clock_.now();
    AgentTimelineStore::Loaded loaded = store_.load(now, calendar_);
    if (loaded.corrupt())
        log_.warning("agent-sessions.json did not decode and was moved aside{}",
                     loaded.quarantinedTo ? " to " + loaded.quarantinedTo->string() : std::string());
    timeline_ = std::move(loaded.timeline);

    // Sessions cut off by a restart are found before stale sessions close.
    if (auto boot = readBootTime()) {
        auto stored = settings_.get(Keys::aiRestartBoot);
        RestartRule::Check check = RestartRule::check(stored, *boot, timeline_);
        if (check.restarted)
            settings_.set(Keys::aiRestartSessions, check.offered);
        if (!stored || !RestartRule::sameBoot(*stored, *boot))
            settings_.set(Keys::aiRestartBoot, std::optional<double>(boot->unixSeconds()));
    } else {
        log_.warning("boot time: {}", boot.error().message());
    }
    if (timeline_.closeStale(now, AgentTimeline::staleAfter))
        scheduleSave();
}

void AgentsModule::startSources()
{
    loadTimeline();
    std::uint64_t generation = ++generation_;

    if (auto created = createDirectories(inbox_, 0700); !created)
        log_.warning("inbox: {}", created.error().message());

    auto transcripts = FileWatcher::start(
        {{{roots_.claude, TranscriptCatalog::claudeDepth}, {roots_.codex, TranscriptCatalog::codexDepth}},
         timing_.transcriptLatency,
         "transcripts"},
        [this, generation](const FileWatcher::Changes& changes) {
            indexQueue_.async([this, generation, changes] { indexChanges(generation, changes); });
        });
    if (transcripts)
        transcriptWatcher_ = std::move(*transcripts);
    else
        log_.warning("transcripts are looked at every tick only: {}", transcripts.error().message());

    auto inbox = FileWatcher::start({{{inbox_, inboxDepth}}, timing_.inboxLatency, "inbox"},
                                    [this](const FileWatcher::Changes&) {
                                        hooksQueue_.toMainThread([this] { readInbox(); });
                                    });
    if (inbox)
        inboxWatcher_ = std::move(*inbox);
    else
        log_.warning("the inbox is read every tick only: {}", inbox.error().message());

    state_.indexing = true;
    fullPassQueued_ = true;
    indexQueue_.async([this, generation] { indexStart(generation); });
    // Files dropped while the app was not running.
    readInbox();
    armTick(timing_.tick);
    updateWorking();
    publish(true);
}

void AgentsModule::stopSources()
{
    ++generation_;
    transcriptWatcher_.reset();
    inboxWatcher_.reset();
    if (tickTimer_)
        scheduler_.cancel(*tickTimer_);
    tickTimer_.reset();
    tickInFlight_ = false;
    hooksRead_.reset();
    historyBuild_.reset();
    if (workingText_)
        ears_.remove(workingActivityID);
    workingText_.reset();
    liveWorking_.clear();
    if (saveTimer_)
        save();
}

void AgentsModule::settingsChanged()
{
    run_.setEnabled(settings_.moduleEnabled(moduleID));
    double stuck = stuckAfter(timing_, settings_);
    transcriptsQueue_.async([this, stuck] { live_.setStuckAfter(stuck); });
    updateWorking();
}

// ---- Index queue -----------------------------------------------------------

void AgentsModule::indexStart(std::uint64_t generation)
{
    if (!indexer_) {
        indexer_ = std::make_unique<UsageIndexer>(
            UsageIndexer::Options{.roots = roots_, .storePath = storePath_, .clock = &clock_, .calendar = calendar_});
        priceMemo_.emplace(prices_);
    }
    indexEverything(generation);
}

void AgentsModule::indexEverything(std::uint64_t generation)
{
    fullPassQueued_ = false;
    UsageIndexPass pass = indexer_->indexAll();
    if (!pass.changed.empty())
        log_.info("ai index: {} files, {} usage lines, {} unreadable, {} records in {} ms", pass.stats.files,
              pass.stats.parsedLines, pass.stats.skippedLines, pass.records, pass.milliseconds);
    // Transcripts written within the working window may belong to a session at work.
    WallTime recent = clock_.now().plusSeconds(-timing_.workingWindow);
    std::map<fs::path, SessionFile> written;
    for (auto& [path, file] : indexer_->sessionFilesSnapshot())
        if (file.lastWrite >= recent)
            written.emplace(path, file);
    if (!written.empty())
        transcriptsQueue_.async([this, written = std::move(written)] { live_.note(written); });
    afterPass(generation, pass.changed, true);
}

void AgentsModule::indexChanges(std::uint64_t generation, const FileWatcher::Changes& changes)
{
    if (!indexer_)
        return;  // the first pass has not run yet and will see these
    if (changes.everything) {
        indexEverything(generation);
        return;
    }
    std::vector<fs::path> paths;
    for (const fs::path& path : changes.files)
        if (isTranscript(path))
            paths.push_back(TranscriptCatalog::canonical(path));
    if (paths.empty())
        return;
    std::vector<fs::path> changed = indexer_->index(paths);
    if (!changed.empty()) {
        auto files = indexer_->sessionFiles(changed);
        transcriptsQueue_.async([this, files = std::move(files)] { live_.note(files); });
    }
    afterPass(generation, changed, false);
}

void AgentsModule::afterPass(std::uint64_t generation, const std::vector<fs::path>& changed, bool fullPass)
{
    overviewDue_ = overviewDue_ || !changed.empty();
    if (fullPass) {
        if (auto saved = indexer_->save(); !saved)
            log_.warning("ai index: {}", saved.error().message());
    }
    refreshOverview(generation, fullPass);
}

void AgentsModule::refreshOverview(std::uint64_t generation, bool fullPass)
{
    MonotonicTime now = clock_.monotonicNow();
    bool recent = now - overviewAt_ < std::chrono::duration_cast<MonotonicTime::duration>(
                                          std::chrono::duration<double>(overviewInterval));
    if (!fullPass && (!overviewDue_ || recent))
        return;
    overviewAt_ = now;
    overviewDue_ = false;
    WallTime wallNow = clock_.now();
    UsageIndexStats stats = indexer_->stats();
    auto overview = indexer_->withAggregator([&](const UsageAggregator& store) {
        return UsageOverview::make(store, stats, wallNow, calendar_, *priceMemo_);
    });
    indexQueue_.toMainThread([this, generation, fullPass, overview = std::move(overview)]() mutable {
        if (generation != generation_)
            return;
        state_.usage = std::move(overview);
        if (fullPass)
            state_.indexing = false;
        publish(true);
    });
}

// ---- Main thread -----------------------------------------------------------

void AgentsModule::armTick(double delay)
{
    if (tickTimer_)
        scheduler_.cancel(*tickTimer_);
    tickTimer_ = scheduler_.schedule(delay, [this] { tick(); });
}

void AgentsModule::tick()
{
    tickTimer_.reset();
    if (!active())
        return;
    std::uint64_t generation = generation_;
    // Without a watcher (or past the watch limit) the tick is the only look.
    if (!transcriptWatcher_ || transcriptWatcher_->limited()) {
        if (!fullPassQueued_.exchange(true))
            indexQueue_.async([this, generation] { indexEverything(generation); });
    }
    if (!inboxWatcher_ || inboxWatcher_->limited())
        readInbox();
    // Records that came in right after the last overview are counted now.
    if (!overviewQueued_.exchange(true))
        indexQueue_.async([this, generation] {
            overviewQueued_ = false;
            if (indexer_)
                refreshOverview(generation, false);
        });
    if (tickInFlight_) {
        armTick(timing_.tick);
        return;
    }
    tickInFlight_ = true;
    WallTime now = clock_.now();
    transcriptsQueue_.submit([this, now] { return live_.tick(now); },
                             [this, generation](LiveTranscripts::Tick result) { applyTick(generation, std::move(result)); });
}

void AgentsModule::applyTick(std::uint64_t generation, LiveTranscripts::Tick result)
{
    if (generation != generation_)
        return;
    tickInFlight_ = false;
    for (const TranscriptPhase& change : result.changes)
        apply(signals_.transcript(timeline_, change));
    liveWorking_.clear();
    std::map<std::string, SessionLive> live;
    for (SessionLive& session : result.sessions) {
        if (session.phase.state == AgentPhase::Case::working)
            liveWorking_.insert(session.session);
        std::string id = session.session;
        live.emplace(std::move(id), std::move(session));
    }
    bool changed = live != state_.live;
    state_.live = std::move(live);
    updateWorking();
    publish(changed);
    armTick(timing_.tick);
}

void AgentsModule::readInbox()
{
    if (!active())
        return;
    if (!hooksRead_.begin())
        return;
    std::uint64_t generation = generation_;
    hooksQueue_.submit(
        [this, hooks = ClaudeHookInbox::reads(settings_)] {
            InboxRead read;
            WallTime now = clock_.now();
            if (hooks) {
                ClaudeHookInbox::Batch batch = ClaudeHookInbox::read(inbox_, now);
                ClaudeHookInbox::removeRead(batch);
                if (batch.ignored > 0)
                    log_.info("inbox: {} files ignored", batch.ignored);
                read.events = std::move(batch.events);
            }
            // Command reports are taken out even while the hook is off, so none piles up.
            CommandFinished::Batch commands = CommandFinished::read(inbox_, now);
            CommandFinished::removeRead(commands);
            if (commands.ignored > 0)
                log_.info("inbox: {} command reports ignored", commands.ignored);
            read.commands = std::move(commands.reports);
            return read;
        },
        [this, generation](InboxRead read) { applyHooks(generation, std::move(read)); });
}

void AgentsModule::applyHooks(std::uint64_t generation, InboxRead read)
{
    if (generation != generation_)
        return;
    bool again = hooksRead_.end();
    const std::vector<HookInboxEvent>& events = read.events;
    for (const HookInboxEvent& event : events)
        apply(signals_.hook(timeline_, event));
    for (const CommandFinished& report : read.commands)
        announce(report);
    if (!events.empty()) {
        updateWorking();
        publish(false);
    }
    if (again)
        readInbox();
}

void AgentsModule::announce(const CommandFinished& report)
{
    settings_.set(Keys::commandHookLastEvent, std::optional(report.at.unixSeconds()));
    if (CommandFinished::announces(report, settings_.get(Keys::commandHookEnabled),
                                   settings_.get(Keys::commandHookThresholdSec),
                                   settings_.get(Keys::commandHookOnlyWhenBackground),
                                   frontApp_ ? frontApp_() : std::nullopt))
        projectsContext_.post(CommandFinished::alert(report));
}

void AgentsModule::refreshHistory()
{
    if (!active())
        return;
    if (!historyBuild_.begin())
        return;
    std::uint64_t generation = generation_;
    indexQueue_.submit(
        [this, timeline = timeline_, restarted = settings_.get(Keys::aiRestartSessions), now = clock_.now()] {
            AgentsState built;
            if (!indexer_)
                return built;
            std::map<fs::path, SessionFile> files = indexer_->sessionFilesSnapshot();
            decltype(titles_) titles;
            auto meta = [&](const fs::path& path, AgentKind agent) {
                WallTime written = files.at(path).lastWrite;
                auto known = titles_.find(path);
                SessionTitle::Meta read = known != titles_.end() && known->second.first == written
                                              ? known->second.second
                                              : SessionTitle::read(path, agent);
                titles.insert_or_assign(path, std::pair(written, read));
                return read;
            };
            built.history = AgentHistory::entries(files, timeline, meta, restarted, now);
            titles_ = std::move(titles);
            for (const AgentHistoryEntry& entry : built.history)
                if (auto file = files.find(entry.path.value_or("")); file != files.end() && file->second.folder)
                    built.folders.emplace(entry.id, *file->second.folder);
            return built;
        },
        [this, generation](AgentsState built) { applyHistory(generation, std::move(built)); });
}

void AgentsModule::latestCodexLimits(std::function<void(std::optional<ProviderUsage>)> reply)
{
    indexQueue_.submit([this] { return indexer_ ? indexer_->latestCodexLimits() : std::nullopt; }, std::move(reply));
}

void AgentsModule::applyHistory(std::uint64_t generation, AgentsState built)
{
    if (generation != generation_)
        return;
    bool again = historyBuild_.end();
    bool changed = built.history != state_.history || built.folders != state_.folders;
    state_.history = std::move(built.history);
    state_.folders = std::move(built.folders);
    publish(changed);
    if (again)
        refreshHistory();
}

void AgentsModule::apply(const AgentSignal& signal)
{
    if (signal.changed)
        scheduleSave();
    if (signal.alert)
        context_.post(signal.alert->post);
}

void AgentsModule::scheduleSave()
{
    if (!saveTimer_)
        saveTimer_ = scheduler_.schedule(saveDelay, [this] { save(); });
}

void AgentsModule::save()
{
    if (saveTimer_)
        scheduler_.cancel(*saveTimer_);
    saveTimer_.reset();
    if (auto saved = store_.save(timeline_); !saved)
        log_.warning("agent-sessions.json: {}", saved.error().message());
}

void AgentsModule::updateWorking()
{
    WallTime now = clock_.now();
    std::vector<const AgentTimeline::Session*> working;
    for (const AgentTimeline::Session& session : timeline_.sessions()) {
        // A session the hooks said works counts until it is stale; one the
        // transcripts said works, while its transcript is still written.
        if (session.state() == AgentTimeline::State::working
            && (liveWorking_.contains(session.id) || now.secondsSince(session.since()) < AgentTimeline::staleAfter))
            working.push_back(&session);
    }
    const AlertKind* kind = ModuleCatalog::alertKind(workingActivityID);
    bool allowed = active() && settings_.get(AlertSwitch::enabled(workingActivityID, kind == nullptr || kind->defaultOn))
                   && settings_.get(AlertSwitch::ears(workingActivityID, kind == nullptr || kind->defaultEars))
                   && settings_.get(ModuleSwitch::ears(moduleID));
    if (working.empty() || !allowed) {
        if (workingText_)
            ears_.remove(workingActivityID);
        workingText_.reset();
        return;
    }
    WorkingWords words = workingWords(working);
    if (workingText_ == words.detail)
        return;
    workingText_ = words.detail;
    WallTime since = working.front()->since();
    for (const AgentTimeline::Session* session : working)
        since = std::min(since, session->since());
    ears_.post(Activity{.id = std::string(workingActivityID),
                        .moduleID = std::string(moduleID),
                        .kind = std::string(workingActivityID),
                        .priority = workingPriority,
                        .left = EarContent::symbol("sparkles"),
                        .right = EarContent::text(words.right),
                        .createdAt = now,
                        .detail = words.detail,
                        .since = since});
}

void AgentsModule::publish(bool changed)
{
    AgentSessionGroups groups = AgentSessionGroups::make(timeline_, clock_.now(), calendar_);
    if (groups != state_.groups) {
        state_.groups = std::move(groups);
        changed = true;
    }
    if (changed)
        emit stateChanged(state_);
}

}  // namespace corvane::app
