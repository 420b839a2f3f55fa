#pragma once
// The running app's owner: it builds the environment at launch, shows the
// island and the tray icon, handles URLs and later launches, and on quit
// flushes the stores and stops every child process. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "app/desktop/AISetupModule.h"
#include "app/desktop/AgentsModule.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/DevServersModule.h"
#include "app/desktop/IslandWindows.h"
#include "app/desktop/MovieModeWatcher.h"
#include "app/desktop/KeepAwakeModule.h"
#include "app/desktop/LimitsModule.h"
#include "app/desktop/SectionRegistry.h"
#include "app/desktop/SettingsWindow.h"
#include "app/desktop/TrayIcon.h"
#include "app/desktop/UrlDispatcher.h"
#include "core/base/SerialQueue.h"
#include "core/notch/KnownPaths.h"

namespace corvane::app {

class AppDelegate final : public QObject {
    Q_OBJECT
    // Whether the modules' sources are paused; the tray shows it.
    Q_PROPERTY(bool paused READ paused WRITE setPaused NOTIFY pausedChanged)
public:
    explicit AppDelegate(const KnownPaths& paths, QObject* parent = nullptr);
    ~AppDelegate() override;

    AppEnvironment& environment() { return environment_; }
    // Modules register their panel sections here before launch.
    SectionRegistry& sections() { return sections_; }
    const IslandWindows& islands() const { return islands_; }

    // After the event loop is set up: shows the windows, registers the URL
    // handler, reopens settings when the last run asked for it, and handles
    // the URLs this launch was given.
    void launch(const QStringList& arguments);
    // Arguments of a later launch: its URLs are handled; a launch without
    // arguments opens settings, as reopening the app does.
    void open(const QStringList& arguments);
    // Before the process ends.
    void terminate();

    bool paused() const { return paused_; }
    void setPaused(bool paused);
    void setQuiet(bool on);
    // At the default page.
    void openSettings();
    // The page the settings window was last opened at: the one a restart
    // asked for, or empty for the default page.
    const std::string& settingsPage() const { return settingsPage_; }

signals:
    void pausedChanged(bool paused);

private:
    void dispatch(const QStringList& arguments);
    void openSettingsAt(std::string page);
    void reopenSettingsIfAsked();
    void settingsChanged();
    void registerUrlHandler();
    // CORVANE_OPEN_MODULE: a surface id or "inbox" to open at launch.
    void openModuleFromEnvironment();

    AppEnvironment environment_;
    // Whether a video plays full screen, which the cards and ears give way to.
    std::unique_ptr<MovieModeWatcher> movieMode_ = MovieModeWatcher::forSession(environment_.settings());
    UrlDispatcher urls_;
    SectionRegistry sections_ = SectionRegistry::builtIn();
    // Before the islands: their panels hold the modules' sections.
    DevServersModule devServers_{environment_};
    AgentsModule agents_{environment_};
    LimitsModule limits_{environment_, agents_};
    AISetupModule setup_{environment_};
    KeepAwakeModule keepAwake_{environment_, devServers_};
    IslandWindows islands_{environment_, sections_};
    TrayIcon tray_;
    QPointer<SettingsWindow> settingsWindow_;
    std::string settingsPage_;
    SettingsStore::Subscription subscription_ = 0;
    // Desktop integration that runs child processes, off the main thread.
    std::optional<SerialQueue> desktopQueue_;
    bool paused_ = false;
};

}  // namespace corvane::app
