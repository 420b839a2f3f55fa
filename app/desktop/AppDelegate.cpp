#include "app/desktop/AppDelegate.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <QCoreApplication>

#include "app/desktop/DesktopFile.h"
#include "core/base/Log.h"
#include "app/desktop/IslandWindow.h"
#include "app/desktop/TimerFixture.h"
#include "core/notch/InboundEar.h"
#include "core/notch/Keys.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/QuietURL.h"
#include "ui/Icons.h"

namespace corvane::app {

namespace {

const Logger logger("app");

// A one-shot marker: a run that restarts the app leaves the settings page
// to come back at.
constexpr char reopenSettingsKey[] = "corvane.internal.reopenSettings";

// Page names are short identifiers; the marker sits in a file that other
// programs can edit, so nothing else is acted on.
bool isSettingsPageName(const std::string& name)
{
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_';
    });
}

// One of the offered choices; anything else written into the file means never.
int glanceMinutes(int stored)
{
    return std::find(MusicFront::options.begin(), MusicFront::options.end(), stored) != MusicFront::options.end()
        ? stored
        : 0;
}

}  // namespace

AppDelegate::AppDelegate(const KnownPaths& paths, QObject* parent) : QObject(parent), environment_(paths)
{
    urls_.setHandler(std::string(QuietURL::host), [this](const AppURL&, std::string_view text) {
        if (auto on = QuietURL::parse(text))
            setQuiet(*on);
    });
    // Inbound ears come from scripts: the parser checks every value, a
    // symbol must be one the icon table knows, and a path to open must not
    // be anything that runs.
    urls_.setHandler("ear", [this](const AppURL&, std::string_view text) {
        auto isSymbol = [](std::string_view symbol) { return ui::Icons::themeName(symbol).has_value(); };
        if (auto inbound = InboundEar::parse(text, isSymbol, InboundEar::isExecutableFile))
            environment_.ears().handle(*inbound);
    });

    connect(&tray_, &TrayIcon::openSettingsRequested, this, &AppDelegate::openSettings);
    connect(&tray_, &TrayIcon::pauseRequested, this, &AppDelegate::setPaused);
    connect(&tray_, &TrayIcon::quietRequested, this, &AppDelegate::setQuiet);
    connect(&tray_, &TrayIcon::quitRequested, qApp, &QCoreApplication::quit);
    connect(this, &AppDelegate::pausedChanged, &tray_, &TrayIcon::showPaused);
    connect(this, &AppDelegate::pausedChanged, &devServers_, &DevServersModule::setFrozen);
    connect(this, &AppDelegate::pausedChanged, &agents_, &AgentsModule::setFrozen);
    connect(this, &AppDelegate::pausedChanged, &limits_, &LimitsModule::setFrozen);
    devServers_.registerSection(sections_);
    environment_.cards().setMovieMode(movieMode_.get());
    agents_.setFrontApp([this] { return movieMode_->frontApp(); });
    keepAwake_.attach(sections_, tray_, *this);
    agents_.registerSection(sections_, [this] { openSettings(); });
    limits_.registerSection(sections_);
    setup_.registerSection(sections_);
    // Projects the agents worked in carry settings of their own.
    connect(&agents_, &AgentsModule::stateChanged, &setup_, [this](const AgentsState& state) {
        std::vector<std::filesystem::path> projects;
        for (const auto& [session, folder] : state.folders)
            projects.push_back(folder);
        setup_.setProjects(std::move(projects));
    });
    // Alert actions that lead into the panel open it on the primary screen.
    environment_.actions().setPanel({
        .canShow = [this](const PanelPage& page) {
            return islands_.primary() != nullptr
                && (page.inbox ? sections_.hasInbox() : sections_.hasContent(page.surface));
        },
        .show = [this](const PanelPage& page) {
            if (IslandWindow* island = islands_.primary())
                island->openPage(page);
        },
    });
    // Quiet mode and the island follow the store, whoever changed it: the
    // tray, a URL, the settings window or another process.
    subscription_ = environment_.settings().subscribe([this](int) { settingsChanged(); });
}

AppDelegate::~AppDelegate()
{
    terminate();
    environment_.settings().unsubscribe(subscription_);
}

void AppDelegate::launch(const QStringList& arguments)
{
    settingsChanged();
    devServers_.start();
    agents_.start();
    limits_.start();
    setup_.start();
    keepAwake_.start();
    if (!environment_.paths().isHarness())
        registerUrlHandler();
    reopenSettingsIfAsked();
    dispatch(arguments);
    openModuleFromEnvironment();
    if (environment_.paths().isHarness())
        TimerFixture::startFromEnvironment(environment_);
}

void AppDelegate::openModuleFromEnvironment()
{
    const char* requested = std::getenv("CORVANE_OPEN_MODULE");
    if (requested == nullptr || *requested == '\0')
        return;
    auto page = pageFor(requested);
    IslandWindow* island = islands_.primary();
    if (!page || island == nullptr) {
        logger.info("CORVANE_OPEN_MODULE names nothing to open");
        return;
    }
    island->openPage(*page);
}

void AppDelegate::reopenSettingsIfAsked()
{
    DefaultsDomain& defaults = environment_.settings().defaults();
    auto marker = defaults.plain(reopenSettingsKey);
    if (!marker || !marker->is_string() || !isSettingsPageName(marker->get<std::string>()))
        return;
    if (auto removed = defaults.remove(reopenSettingsKey); !removed)
        logger.warning("the settings reopen marker stays: {}", removed.error().message());
    openSettingsAt(marker->get<std::string>());
}

void AppDelegate::open(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        openSettings();
        return;
    }
    dispatch(arguments);
}

void AppDelegate::dispatch(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        (void)urls_.dispatch(argument.toStdString());
}

void AppDelegate::terminate()
{
    delete settingsWindow_;
    devServers_.stop();
    agents_.stop();
    limits_.stop();
    setup_.stop();
    keepAwake_.stop();
    environment_.shutdown();
    // After the children are stopped, so a running xdg-mime ends at once.
    if (desktopQueue_)
        desktopQueue_->shutdown(SerialQueue::Shutdown::Drop);
}

void AppDelegate::setPaused(bool paused)
{
    if (paused == paused_)
        return;
    paused_ = paused;
    logger.info("{}", paused ? "paused" : "resumed");
    emit pausedChanged(paused);
}

void AppDelegate::setQuiet(bool on)
{
    // From the tray, the settings window and URLs alike: no end time.
    environment_.quiet().set(on);
}

void AppDelegate::openSettings() { openSettingsAt({}); }

void AppDelegate::openSettingsAt(std::string page)
{
    settingsPage_ = std::move(page);
    if (!settingsWindow_) {
        settingsWindow_ = new SettingsWindow(environment_.settings(), environment_.paths(),
                                             [this](bool on) { setQuiet(on); });
        settingsWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    settingsWindow_->show();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

void AppDelegate::settingsChanged()
{
    auto& settings = environment_.settings();
    tray_.showQuiet(settings.get(Keys::quietMode));
    environment_.ears().setOptions({
        .front = MusicFront{.on = settings.get(Keys::musicInFront),
                            .glanceMinutes = glanceMinutes(settings.get(Keys::musicGlanceMinutes)),
                            .glanceSeconds = double(settings.get(Keys::otherActivityGlance))},
        .dual = settings.get(Keys::dualEars),
    });
    islands_.show(settings.get(Keys::display));
}

void AppDelegate::registerUrlHandler()
{
    auto exec = DesktopFile::execArgument(KnownPaths::runningExecutable().string());
    if (!exec) {
        logger.warning("URLs are not registered: the executable's path cannot go on an Exec line");
        return;
    }
    auto locations = DesktopFileLocations::of(environment_.paths());
    std::string text = DesktopFile::text(*exec);
    std::string id = environment_.paths().applicationID();
    const char* path = std::getenv("PATH");
    std::string searchPath = path != nullptr ? path : "/usr/bin:/bin";
    desktopQueue_.emplace("com.lunebox.desktop", environment_.scheduler());
    desktopQueue_->submit(
        [locations, id, text, searchPath, &runner = environment_.processes()] {
            return app::registerUrlHandler(locations, id, text, searchPath, runner);
        },
        [](const Result<UrlHandlerRegistration>& registered) {
            if (!registered)
                logger.warning("URLs are not registered: {}", registered.error().message());
        });
}

}  // namespace corvane::app
