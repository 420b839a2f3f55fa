#pragma once
// The plan limits of the coding agents, part of the "ai" module: reads the
// statusline tap's status files, the Codex limits the agents module's usage
// index found, and, when the user allows it, the Claude account's usage
// endpoint; raises the limit alerts once per level and window, keeps the
// burn samples for the pace lines, holds the "ai.limit" ear, and publishes
// what the AI section shows.
//
// A controller of its own rather than more of `AgentsModule`: it has its
// own queue (the endpoint may block for 15 s), its own timer and its own
// settings, and shares with the agents module only the Codex reading,
// which it asks for after the agents module published.
//
// Threads: the reading, the tracker, the burn samples and the endpoint
// live on the "limits" queue; alerts, the ear and the published state on
// the main thread. One single-shot timer is armed for the next moment
// something can change (`LimitIngest::nextWake`, or the next endpoint poll);
// the status folder's watcher looks again at once. A generation number
// drops results that come back after a stop.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "app/desktop/ModuleRun.h"
#include "app/desktop/OneAtATime.h"

#include "core/agents/BurnEstimator.h"
#include "core/agents/ClaudeOAuth.h"
#include "core/agents/LimitAlertTracker.h"
#include "core/agents/LimitPace.h"
#include "core/agents/NearLimit.h"
#include "core/agents/ProviderUsage.h"
#include "core/base/FileWatcher.h"
#include "core/base/Log.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/base/Time.h"
#include "core/net/HttpClient.h"
#include "core/notch/AlertPost.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"

namespace corvane::app {

class AgentsModule;
class AppEnvironment;
class EarController;
class SectionRegistry;

// What the AI section shows of the limits.
struct LimitsState {
    // The enabled providers' readings: Claude's per account, then Codex.
    std::vector<ProviderUsage> usages;
    // Recent samples per window, for the pace lines.
    BurnEstimator burn;
    // Whether the endpoint is read, and what its last poll gave (none before the first).
    bool polling = false;
    std::optional<ClaudeOAuth::Status> endpoint;
    double staleAfter = 900;
};

// One window as a row reads: how full, the pace, the reset, and where the
// number comes from and how old it is, so an official reading can be told
// from an old one.
struct LimitRow {
    std::string key;    // LimitIngest::key
    std::string title;  // "Claude Code · 5 h", with the account when there is one
    double percent = 0;
    LimitPace::Line pace;
    std::optional<std::string> resets;  // "Resets 14:05"
    std::string source;                 // "Claude Code statusline", "Codex session log", ...
    std::string age;                    // "just now", "4 min ago", "as of 14:05", "Reset · waiting for new data"
    bool stale = false;
    bool operator==(const LimitRow&) const = default;
};

class LimitsModule final : public QObject {
    Q_OBJECT
public:
    static constexpr std::string_view moduleID = "ai";
    static constexpr double watchLatency = 0.5;
    // A look is never scheduled sooner than this after the last one.
    static constexpr double minimumDelay = 1;
    // A reading turns stale only once its moment has passed: the look comes this much after it.
    static constexpr double wakeMargin = 1;

    // Asks for the newest Codex reading; `reply` runs on the main thread.
    using CodexReply = std::function<void(std::optional<ProviderUsage>)>;
    using CodexLimits = std::function<void(CodexReply reply)>;

    struct Sources {
        SettingsStore& settings;
        AlertPipeline& pipeline;
        EarController& ears;
        Scheduler& scheduler;
        const Clock& clock;
        Calendar calendar;
        std::filesystem::path dataFolder;    // "ai-limit-alerts.json"
        std::filesystem::path statusFolder;  // the statusline tap's files
        std::filesystem::path credentials;   // Claude Code's stored login
        CodexLimits codexLimits;
        // Whether credentials may be read at all (`KeychainAccess::allowed`).
        bool credentialsAllowed = false;
        std::string usageURL = std::string(ClaudeOAuth::usageURL);
        HttpClient::Options http = {};
    };

    LimitsModule(AppEnvironment& environment, AgentsModule& agents, QObject* parent = nullptr);
    explicit LimitsModule(Sources sources, QObject* parent = nullptr);
    ~LimitsModule() override;

    // Gives the AI section, which the agents module registered, the limit rows.
    void registerSection(SectionRegistry& sections);

    void start();
    void stop();
    void setFrozen(bool frozen);
    // The agents module published: its index may hold a newer Codex reading.
    void agentsChanged();
    // Looks again now.
    void refresh();

    const LimitsState& state() const { return state_; }
    // When the timer fires next; none when nothing can change by itself.
    std::optional<WallTime> nextLook() const { return nextLook_; }

    // The rows of the AI section, in the order of the readings.
    static std::vector<LimitRow> rows(const LimitsState& state, WallTime now, const Calendar& calendar);
    // "just now", "4 min ago", "2 h 5 min ago".
    static std::string age(double seconds);

signals:
    // On the main thread, after every look.
    void changed(const corvane::app::LimitsState& state);

private:
    // The limit settings; a change looks again.
    struct Settings {
        bool claude = true;
        bool codex = true;
        bool poll = false;  // the endpoint setting and the credentials gate both allow it
        std::vector<int> thresholds;
        bool resetAlert = true;
        double staleAfter = 900;
        int earAt = 75;
        bool operator==(const Settings&) const = default;
    };
    // What a look needs from the main thread.
    struct Look {
        WallTime now;
        Settings settings;
        std::optional<ProviderUsage> codexReading;
    };
    // What a look found.
    struct Pass {
        LimitsState state;
        std::vector<AlertPost> alerts;
        std::optional<WallTime> wake;
    };

    bool active() const { return run_.active(); }
    void startSources();
    void stopSources();
    void settingsChanged();
    Settings currentSettings() const;
    void askCodex();
    void codexAnswered(std::uint64_t generation, std::optional<ProviderUsage> reading);
    void arm(std::optional<WallTime> wake);
    void apply(std::uint64_t generation, Pass pass);
    void updateEar();

    // Limits queue.
    Pass pass(const Look& look);
    void poll(WallTime now, std::optional<WallTime> statuslineAt);
    std::optional<WallTime> nextPoll(WallTime now, std::optional<WallTime> statuslineAt) const;

    SettingsStore& settings_;
    EarController& ears_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Calendar calendar_;
    std::filesystem::path statusFolder_;
    CodexLimits codexLimits_;
    ModuleContext context_;
    Logger log_{"limits"};

    // Main thread.
    LimitsState state_;
    std::optional<NearLimit::Pick> pick_;
    std::optional<ProviderUsage> codex_;
    Settings settingsNow_;
    std::optional<WallTime> nextLook_;
    std::optional<Scheduler::TimerId> timer_;
    ModuleRun run_;
    OneAtATime looks_;
    bool codexAsked_ = false;
    std::uint64_t generation_ = 0;
    SettingsStore::Subscription subscription_ = 0;

    // Limits queue.
    JsonStoreFile trackerFile_;
    std::filesystem::path credentials_;
    bool credentialsAllowed_;
    std::string usageURL_;
    HttpClient http_;
    std::optional<LimitAlertTracker> tracker_;  // loaded by the first look
    BurnEstimator burn_;
    std::optional<WallTime> lastPoll_;
    std::optional<ClaudeOAuth::Status> endpoint_;
    std::optional<ProviderUsage> oauth_;  // the endpoint's last reading

    // The watcher stops first (it hands work to the main thread), then the queue joins.
    SerialQueue queue_;
    std::unique_ptr<FileWatcher> watcher_;
};

}  // namespace corvane::app
