#pragma once
// The agents module ("ai"): watches the coding agents' transcripts and the
// hook inbox, keeps the session timeline, raises "ai.finished" and
// "ai.stuck" (and, for the shell command hook's reports in the same inbox,
// "projects.commandFinished"), holds the "ai.working" ear while a session works, and
// publishes what the AI section shows (`AgentsState`).
//
// Threads: the usage indexer runs its passes on the "index" queue (a full
// pass at start, then the transcripts the watcher reports, at once); the
// 5 s tick judges the recently written transcripts on the "transcripts"
// queue (one stat each, steps read from what they gained); inbox files are
// read on the "hooks" queue. The watchers have threads of their own and
// only hand work to the queues. The timeline, the signals, the ear and the
// published state live on the main thread, where every result lands
// through the scheduler and is dropped when the module stopped meanwhile
// (a generation number moves on at every stop).

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <QObject>

#include "app/desktop/ModuleRun.h"
#include "app/desktop/OneAtATime.h"

#include "core/agents/AgentHistory.h"
#include "core/agents/AgentLiveness.h"
#include "core/agents/AgentSignals.h"
#include "core/agents/AgentTimeline.h"
#include "core/agents/AgentTimelineStore.h"
#include "core/agents/ClaudeHookInbox.h"
#include "core/agents/CommandFinished.h"
#include "core/agents/LiveTranscripts.h"
#include "core/agents/PriceMemo.h"
#include "core/agents/TranscriptCatalog.h"
#include "core/agents/UsageIndexer.h"
#include "core/agents/UsageOverview.h"
#include "core/base/FileWatcher.h"
#include "core/base/Log.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/base/Time.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"

namespace corvane::app {

class AppEnvironment;
class EarController;
class SectionRegistry;

// What the AI section shows, published whole whenever part of it changed.
// Read-only for the section: every list is already in display order.
struct AgentsState {
    // The timeline as the session list groups it: sessions waiting for the
    // user, sessions working, and sessions that finished today (each list
    // most recent first). The session's `id` keys `live`.
    AgentSessionGroups groups;
    // Sessions whose transcripts were written lately, by session id: the
    // transcript phase, what the agent does or waits for now (a
    // `StepTitle` text) and how full its context is (percent).
    std::map<std::string, SessionLive> live;
    // Tokens and cost: today, this week, this month (total, per agent, per
    // agent and model), 30 daily points, the heat map with its busiest
    // time, the streak. None until the first pass over the transcripts ends.
    std::optional<UsageOverview> usage;
    // A full pass over the transcripts is running (the usage figures may lag).
    bool indexing = false;
    // Past sessions of the last 30 days, newest first, and the project
    // folder of each that has one (to resume in), by session id. Built
    // when the section asks (`AgentsModule::refreshHistory`).
    std::vector<AgentHistoryEntry> history;
    std::map<std::string, std::filesystem::path> folders;
};

class AgentsModule final : public QObject {
    Q_OBJECT
public:
    static constexpr std::string_view moduleID = "ai";
    static constexpr std::string_view workingActivityID = "ai.working";
    static constexpr int workingPriority = 50;
    // Timeline changes are saved this long after the first unsaved one.
    static constexpr double saveDelay = 2.0;
    // The usage overview is recomputed at most this often while agents write.
    static constexpr double overviewInterval = 5.0;
    static constexpr int inboxDepth = 0;

    // The module's clocks. The app uses the defaults; tests shorten them.
    struct Timing {
        double tick = 5.0;
        double transcriptLatency = 2.0;
        double inboxLatency = 0.3;
        double workingWindow = AgentActivity::liveWorkingWindow;
        double finishAfter = AgentActivity::liveFinishAfter;
        // None: from "ai.stuckMinutes".
        std::optional<double> stuckAfter;
    };

    struct Sources {
        SettingsStore& settings;
        AlertPipeline& pipeline;
        EarController& ears;
        Scheduler& scheduler;
        const Clock& clock;
        Calendar calendar;
        std::filesystem::path dataFolder;  // "agent-sessions.json", "ai-index.json"
        std::filesystem::path inbox;       // KnownPaths::inbox()
        TranscriptRoots roots;
        Timing timing;
        // Which agents have a live process; the /proc scan unless a test says otherwise.
        LiveTranscripts::Liveness liveness;
        // The desktop-file id of the app in front, for "commandHook.onlyWhenBackground";
        // none (or no function) when unknown, which counts as not in front.
        std::function<std::optional<std::string>()> frontApp = {};
    };

    explicit AgentsModule(AppEnvironment& environment, QObject* parent = nullptr);
    explicit AgentsModule(Sources sources, QObject* parent = nullptr);
    ~AgentsModule() override;

    // The sources run between start() and stop() while the module is
    // enabled and not frozen.
    // Tells which app is in front, for command reports that only count
    // while their terminal is not.
    void setFrontApp(std::function<std::optional<std::string>()> frontApp) { frontApp_ = std::move(frontApp); }

    void start();
    void stop();
    void setFrozen(bool frozen);

    // The AI section, drawn over `state()`; `openSettings` leads to the
    // settings window, where the skill file is installed.
    void registerSection(SectionRegistry& sections, std::function<void()> openSettings);

    const AgentsState& state() const { return state_; }
    // Rebuilds the history from the usage index and the timeline on the
    // index queue; the state changes when it is ready. Titles are read
    // again only from transcripts written since.
    void refreshHistory();
    const AgentTimeline& timeline() const { return timeline_; }
    // Whether "ai.working" is up now.
    bool working() const { return workingText_.has_value(); }
    // The newest Codex plan-limit reading of the usage index, handed to
    // `reply` on the main thread (none before the first pass).
    void latestCodexLimits(std::function<void(std::optional<ProviderUsage>)> reply);

signals:
    // On the main thread, after `state()` changed.
    void stateChanged(const corvane::app::AgentsState& state);

private:

    bool active() const { return run_.active(); }
    void loadTimeline();
    void startSources();
    void stopSources();
    void settingsChanged();

    // Index queue.
    void indexStart(std::uint64_t generation);
    void indexChanges(std::uint64_t generation, const FileWatcher::Changes& changes);
    void indexEverything(std::uint64_t generation);
    void afterPass(std::uint64_t generation, const std::vector<std::filesystem::path>& changed, bool fullPass);
    // Hands a new usage overview to the main thread after a full pass, or
    // when records arrived and the last one is `overviewInterval` old.
    void refreshOverview(std::uint64_t generation, bool fullPass);

    // Main thread.
    void armTick(double delay);
    void tick();
    void applyTick(std::uint64_t generation, LiveTranscripts::Tick tick);
    // What one read of the inbox found: agent hook events and shell command reports.
    struct InboxRead {
        std::vector<HookInboxEvent> events;
        std::vector<CommandFinished> commands;
    };
    void readInbox();
    void applyHooks(std::uint64_t generation, InboxRead read);
    void announce(const CommandFinished& report);
    void applyHistory(std::uint64_t generation, AgentsState history);
    void apply(const AgentSignal& signal);
    void scheduleSave();
    void save();
    void updateWorking();
    // Emits stateChanged when `changed` or the session groups moved.
    void publish(bool changed);

    SettingsStore& settings_;
    EarController& ears_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Calendar calendar_;
    std::filesystem::path inbox_;
    TranscriptRoots roots_;
    Timing timing_;
    ModuleContext context_;
    ModuleContext projectsContext_;  // the command hook's alerts belong to "projects"
    std::function<std::optional<std::string>()> frontApp_;
    Logger log_{"agents"};

    // Main thread.
    AgentTimelineStore store_;
    AgentTimeline timeline_;
    bool timelineLoaded_ = false;
    AgentSignals signals_;
    AgentsState state_;
    std::set<std::string> liveWorking_;  // sessions whose transcript works, from the last tick
    std::optional<std::string> workingText_;  // the detail of the ear posted now
    ModuleRun run_;
    std::uint64_t generation_ = 0;
    std::optional<Scheduler::TimerId> tickTimer_;
    std::optional<Scheduler::TimerId> saveTimer_;
    bool tickInFlight_ = false;
    OneAtATime hooksRead_;     // files that arrive while a read runs are read after it
    OneAtATime historyBuild_;
    SettingsStore::Subscription subscription_ = 0;

    // Index queue.
    std::filesystem::path storePath_;
    PriceTable prices_;
    std::unique_ptr<UsageIndexer> indexer_;
    std::optional<PriceMemo> priceMemo_;
    MonotonicTime overviewAt_{};
    bool overviewDue_ = false;  // records arrived since the last overview
    std::atomic<bool> fullPassQueued_{false};
    std::atomic<bool> overviewQueued_{false};
    // The titles read for the history, with the write of the transcript they were read from.
    std::map<std::filesystem::path, std::pair<WallTime, SessionTitle::Meta>> titles_;

    // Transcripts queue.
    LiveTranscripts live_;

    // The watchers stop first (their threads hand work to the queues), then the queues join.
    SerialQueue indexQueue_;
    SerialQueue transcriptsQueue_;
    SerialQueue hooksQueue_;
    std::unique_ptr<FileWatcher> transcriptWatcher_;
    std::unique_ptr<FileWatcher> inboxWatcher_;
};

}  // namespace corvane::app
