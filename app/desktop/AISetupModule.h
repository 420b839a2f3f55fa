#pragma once
// The agents' setup as the Setup chip shows it: the app's integrations with
// their status, connected and disconnected on request, and the issues a
// scan of the agents' settings finds, each with its fix shown as a diff
// before it is written and undoable for a while after.
//
// Scans and writes run on the module's queue, one at a time, each with a
// fresh integrations model (the files are the truth, not memory). A scan
// follows every change to the agents' settings folders and runs at most
// every `rescanSeconds` otherwise, for the projects' own settings. An issue
// is announced once ("ai.setupIssue"); the announced ones are kept in
// "ai-setup-issues.json" so a restart does not repeat them, and forgotten
// when they go away, so a return is announced again.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "core/agents/AISetup.h"
#include "core/agents/InstallRecord.h"
#include "core/agents/IntegrationTargets.h"
#include "core/base/FileWatcher.h"
#include "core/base/Log.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/base/Time.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"

namespace corvane::app {

class AppEnvironment;
class SectionRegistry;

struct IntegrationRow {
    std::string id;
    std::string title;  // "Claude Code hooks"
    ConnectionStatus status;
    bool installed = false;                // connected by the user (in the manifest)
    std::optional<std::string> blocked;    // why it cannot be connected from here
    bool operator==(const IntegrationRow&) const = default;
};

struct SetupState {
    std::vector<IntegrationRow> integrations;
    AISetup::Report report;
    std::optional<AISetup::Undo> undo;  // the last fix, while it can be taken back
    bool scanned = false;               // a first scan has finished
};

// A change waiting for the user's yes: what it is and its diff.
struct PendingChange {
    enum class Kind { connect, disconnect, fix };
    Kind kind = Kind::connect;
    std::string id;  // integration id, or the id for a fix
    std::string title;
    std::vector<std::string> diff;
};

class AISetupModule final : public QObject {
    Q_OBJECT
public:
    static constexpr double rescanSeconds = 10 * 60;
    static constexpr double watchLatency = 1.0;
    static constexpr std::string_view storeName = "ai-setup-issues.json";

    struct Sources {
        SettingsStore& settings;
        AlertPipeline& pipeline;
        Scheduler& scheduler;
        const Clock& clock;
        Calendar calendar;
        IntegrationEnv env;
        std::filesystem::path dataFolder;
        bool watchFolders = true;
    };

    explicit AISetupModule(AppEnvironment& environment, QObject* parent = nullptr);
    explicit AISetupModule(Sources sources, QObject* parent = nullptr);
    ~AISetupModule() override;

    // Shows this module in the Setup chip of the AI section the agents
    // module registered.
    void registerSection(SectionRegistry& sections);

    void start();
    void stop();
    // The folders the agents worked in, whose own settings the scan reads.
    void setProjects(std::vector<std::filesystem::path> projects);
    void rescan();

    // Each asks on the queue and reports through `changed`/`status`: a
    // preview ends in `pending()`, a confirmation writes it.
    void preview(PendingChange::Kind kind, const std::string& id);
    void confirm();
    void cancel();
    void undoFix();

    const SetupState& state() const { return state_; }
    const std::optional<PendingChange>& pending() const { return pending_; }
    // The outcome of the last action, for one status line; empty when none.
    const std::string& status() const { return status_; }

    static std::string title(std::string_view integrationID);

signals:
    void changed();

private:
    struct Scan;
    void scanNow();
    void deliverScan(std::uint64_t generation, Scan scan);
    void announce(const AISetup::Report& report);
    void finish(std::string status);
    std::vector<IntegrationWriter> writers() const;

    SettingsStore& settings_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Calendar calendar_;
    IntegrationEnv env_;
    std::filesystem::path dataFolder_;
    bool watchFolders_;
    ModuleContext context_;
    Logger log_{"aiSetup"};

    std::vector<std::filesystem::path> projects_;
    SetupState state_;
    std::optional<PendingChange> pending_;
    std::string status_;
    bool running_ = false;
    bool scanInFlight_ = false;
    bool rescanWanted_ = false;
    std::optional<Scheduler::TimerId> timer_;
    std::uint64_t generation_ = 0;
    std::unique_ptr<FileWatcher> watcher_;

    SerialQueue queue_;
};

}  // namespace corvane::app
