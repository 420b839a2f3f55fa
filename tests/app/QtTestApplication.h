#pragma once
// The one QApplication the app tests share, always on the offscreen
// platform, and a way to run its event loop until a condition holds.

#include <chrono>
#include <filesystem>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "core/notch/KnownPaths.h"

namespace corvane::testing {

inline QApplication& qtApplication()
{
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    // Kept for the whole run: Qt allows one application object per process.
    static auto* application = [] {
        // Tests never open windows on the session's screens.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

// The paths of a harness run whose home and temporary folder are `root`.
inline KnownPaths harnessPaths(const std::filesystem::path& root)
{
    return KnownPaths::resolve({.applicationID = "com.lunebox.app",
                                .arguments = {"lunebox", "--test"},
                                .environment = {},
                                .pid = 1,
                                .home = root,
                                .temp = root});
}

// Processes events until `done` holds or the time runs out; returns `done()`.
inline bool runEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    qtApplication();
    // The ticking timer bounds each wait, so a condition set from outside
    // the loop (a child process, a file) is noticed too.
    QTimer tick;
    tick.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < limit.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

}  // namespace corvane::testing
