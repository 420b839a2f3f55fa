#pragma once
// Everything the running app shares, built once at launch on the main
// thread: the settings store over the settings file (re-read when another
// process changes it), the alert history, the event pipeline with quiet
// mode, the process registry, and the log going to the journal (standard
// error for harness runs). Torn down in reverse order; shutdown() runs
// first, while everything still exists.

#include <memory>

#include <QFileSystemWatcher>
#include <QObject>

#include "app/desktop/AlertActions.h"
#include "app/desktop/AlertOutlets.h"
#include "app/desktop/ArtworkCache.h"
#include "app/desktop/CardPresenter.h"
#include "app/desktop/EarController.h"
#include "app/desktop/QtScheduler.h"
#include "core/base/ProcessRunner.h"
#include "core/base/Time.h"
#include "core/notch/AlertCenter.h"
#include "core/notch/AlertPipeline.h"
#include "core/notch/EventCenter.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/QuietMode.h"
#include "core/notch/SettingsStore.h"
#include "platform/linux/FreedesktopNotifier.h"
#include "platform/linux/XdgOpener.h"

namespace corvane::app {

class AppEnvironment final : public QObject {
    Q_OBJECT
public:
    explicit AppEnvironment(const KnownPaths& paths, QObject* parent = nullptr);
    ~AppEnvironment() override;

    const KnownPaths& paths() const { return paths_; }
    Scheduler& scheduler() { return scheduler_; }
    const Clock& clock() const { return clock_; }
    SettingsStore& settings() { return settings_; }
    AlertCenter& alerts() { return alerts_; }
    // The post operation every module's context goes through.
    AlertPipeline& pipeline() { return pipeline_; }
    QuietMode& quiet() { return quiet_; }
    // Who owns the ears, and the alert cards under the island.
    EarController& ears() { return ears_; }
    CardPresenter& cards() { return cards_; }
    // What the primary buttons of cards and inbox rows do; modules register
    // the actions they own here.
    AlertActions& actions() { return actions_; }
    const ArtworkCache& artwork() const { return artwork_; }
    const ProcessRunner& processes() const { return processes_; }

    // Flushes the stores and stops every child process; idempotent.
    void shutdown();

private:
    void watchSettingsFile();
    // The effective time-sensitive switch of an event kind.
    bool isTimeSensitive(std::string_view kind);

    // Installed before anything else is built, so that all of it logs there.
    struct JournalInstallation {
        explicit JournalInstallation(bool harness);
        ~JournalInstallation();
        JournalInstallation(const JournalInstallation&) = delete;
        JournalInstallation& operator=(const JournalInstallation&) = delete;
    };

    const KnownPaths& paths_;
    JournalInstallation journal_;
    QtScheduler scheduler_;
    SystemClock clock_;
    FileDefaultsDomain defaults_;
    SettingsStore settings_;
    QFileSystemWatcher settingsWatcher_;
    platform::XdgOpener opener_;
    // Before the alert centre, which keeps a pointer to it until the end.
    AlertActions actions_{opener_};
    ArtworkCache artwork_;
    AlertCenter alerts_;
    EventCenter events_{settings_};
    platform::FreedesktopNotifier notifier_;
    NotifierDelivery delivery_{notifier_};
    EarController ears_{scheduler_, clock_};
    CardPresenter cards_;
    LoggedSoundPlayer sounds_;
    AlertPipeline pipeline_;
    QuietMode quiet_;
    ChildRegistry children_;
    ProcessRunner processes_{children_};
    bool shutDown_ = false;
};

}  // namespace corvane::app
