// The desktop library's entry: the app, or the snapshot renderer.

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>

#include "app/PartEntry.h"
#include "app/desktop/AppDelegate.h"
#include "app/desktop/QuitSignals.h"
#include "app/desktop/SingleInstance.h"
#include "app/desktop/SnapshotRenderer.h"
#include "core/base/Log.h"
#include "core/notch/EntryCommand.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/LegacyMigration.h"

namespace {

using namespace corvane;
using namespace corvane::app;

const Logger logger("app");

// A later launch waits this long for the first to take its arguments.
constexpr auto handOffTimeout = std::chrono::seconds(5);

int renderSnapshots(const LuneboxPartRequest& request, const std::string& folder)
{
    // Always offscreen: the images must not depend on the session's screens.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = request.argc;
    // The panel is made of widgets.
    QApplication application(argc, request.argv);
    if (auto rendered = SnapshotRenderer::renderAll(folder); !rendered) {
        std::fprintf(stderr, "lunebox: %s\n", rendered.error().message().c_str());
        return 1;
    }
    return 0;
}

// The lock of the first instance, or nothing when this run goes without
// one (harness runs, or a runtime folder that cannot be used).
std::unique_ptr<SingleInstance> claimInstance(const KnownPaths& paths, SingleInstance::Role& role)
{
    role = SingleInstance::Role::Primary;
    if (paths.isHarness())
        return nullptr;
    auto folder = runtimeFolder();
    if (!folder) {
        logger.warning("running without the one-instance check: {}", folder.error().message());
        return nullptr;
    }
    auto instance = std::make_unique<SingleInstance>(*folder, QString::fromStdString(paths.applicationID()));
    auto claimed = instance->claim();
    if (!claimed) {
        logger.warning("running without the one-instance check: {}", claimed.error().message());
        return nullptr;
    }
    role = *claimed;
    return instance;
}

// A Wayland client cannot place its windows or keep them above others (that
// takes the layer-shell protocol, which Qt 6.4 does not speak), so on a
// Wayland session with XWayland the island goes through X11, where a
// window may sit at the top centre and stay on top. An explicit
// QT_QPA_PLATFORM is left alone.
void preferXWayland()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    if (!platforms.entryList({QStringLiteral("libqxcb*")}, QDir::Files).isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// Before any window exists and before the app's settings store is created,
// so that the store sees the copied preferences from its first read.
void migrateLegacyData()
{
    const KnownPaths& paths = KnownPaths::current();
    FileDefaultsDomain settings(paths.settingsFile());
    (void)LegacyMigration::runAtLaunch(paths, settings);
}

int runApp(const LuneboxPartRequest& request)
{
    const KnownPaths& paths = KnownPaths::current();
    QStringList arguments;
    for (int i = 1; i < request.argc; ++i)
        arguments.push_back(QString::fromLocal8Bit(request.argv[i]));

    SingleInstance::Role role;
    auto instance = claimInstance(paths, role);
    int argc = request.argc;
    if (role == SingleInstance::Role::Secondary) {
        // No display connection is needed to hand over a URL.
        QCoreApplication application(argc, request.argv);
        if (auto handed = instance->handOff(arguments, handOffTimeout); !handed) {
            std::fprintf(stderr, "lunebox: the running instance did not take the arguments (%s)\n",
                         handed.error().message().c_str());
            return 1;
        }
        return 0;
    }

    preferXWayland();
    QApplication application(argc, request.argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lunebox"));
    QGuiApplication::setDesktopFileName(QString::fromStdString(paths.applicationID()));
    // The app lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (instance) {
        if (auto listening = instance->listen(); !listening)
            logger.warning("later launches cannot reach this one: {}", listening.error().message());
    }

    AppDelegate delegate(paths);
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &application, &QCoreApplication::quit);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::terminate);
    if (instance)
        QObject::connect(instance.get(), &SingleInstance::argumentsReceived, &delegate, &AppDelegate::open);
    delegate.launch(arguments);
    int code = application.exec();
    // Its server must go while the event loop it was registered with exists.
    instance.reset();
    return code;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int luneboxDesktopMain(const LuneboxPartRequest* request)
{
    // This library carries its own copy of the core, whose paths need the
    // arguments as well.
    std::vector<std::string> arguments(request->argv, request->argv + request->argc);
    KnownPaths::setProcessArguments(arguments);
    auto command = EntryCommand::parse(arguments);
    if (command.mode == EntryCommand::Mode::Snapshots)
        return renderSnapshots(*request, command.snapshotFolder);
    migrateLegacyData();
    return runApp(*request);
}
