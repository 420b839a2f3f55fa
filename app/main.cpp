// Process entry. Dispatches the command-line modes before anything else,
// runs the one-time legacy migration for the app, and loads the desktop
// library only when a window is wanted.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "app/DesktopEntry.h"
#include "core/agents/IntegrationsCommand.h"
#include "core/agents/IntegrationTargets.h"
#include "core/agents/UsageCommand.h"
#include "core/notch/EntryCommand.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/LegacyMigration.h"
#include "core/runtime/StatusCommand.h"

namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Checked before Qt is loaded: without a display Qt would abort with a
// page of advice. QT_QPA_PLATFORM names a platform that needs none
// (offscreen, for tests and headless runs).
bool hasGraphicalSession()
{
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

// Before any window exists and before the app's settings store is created,
// so that the store sees the copied preferences from its first read.
void migrateLegacyData()
{
    const auto& paths = corvane::KnownPaths::current();
    corvane::FileDefaultsDomain settings(paths.settingsFile());
    (void)corvane::LegacyMigration::runAtLaunch(paths, settings);
}

int runDesktop(int argc, char** argv, const char* snapshotFolder)
{
    auto folder = corvane::KnownPaths::runningExecutable().parent_path();
    const std::filesystem::path candidates[] = {
        folder / luneboxDesktopLibrary,
        folder / ".." / "lib" / "lunebox" / luneboxDesktopLibrary,
    };
    void* library = nullptr;
    std::string lastError = "not found";
    for (const auto& candidate : candidates) {
        library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr)
            break;
        if (const char* error = ::dlerror())
            lastError = error;
    }
    if (library == nullptr) {
        std::fprintf(stderr, "lunebox: cannot load the desktop part (%s)\n", lastError.c_str());
        return 1;
    }
    auto entry = reinterpret_cast<LuneboxDesktopMain>(::dlsym(library, luneboxDesktopSymbol));
    if (entry == nullptr) {
        std::fprintf(stderr, "lunebox: the desktop part has no entry\n");
        return 1;
    }
    LuneboxDesktopRequest request{argc, argv, snapshotFolder};
    return entry(&request);
}

int printUsage(bool json)
{
    corvane::UsageCommand usage{corvane::KnownPaths::processEnvironment(),
                                corvane::KnownPaths::forCommand().settingsFile(), json};
    corvane::SystemClock clock;
    std::fputs(usage.run(clock, corvane::Calendar::local()).c_str(), stdout);
    return 0;
}

// The helper that taps and notifiers call is installed beside this executable.
int runIntegrations(corvane::IntegrationsCommand::Action action, const std::string& id)
{
    auto paths = corvane::KnownPaths::forCommand();
    corvane::IntegrationEnv env = corvane::IntegrationTargets::thisProcess(paths.home());
    int threshold = corvane::IntegrationsCommand::thresholdSeconds(paths.settingsFile());
    corvane::SystemClock clock;
    corvane::IntegrationsModel model(paths.appSupport(),
                                     corvane::IntegrationTargets::writable(env, env.helperPath, threshold), clock,
                                     corvane::Calendar::local());
    auto output = corvane::IntegrationsCommand::run(model, action, id);
    std::fputs(output.standardOutput.c_str(), stdout);
    std::fputs(output.standardError.c_str(), stderr);
    return output.exitCode;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
    corvane::KnownPaths::setProcessArguments(arguments);
    auto command = corvane::EntryCommand::parse(arguments);
    switch (command.mode) {
    case corvane::EntryCommand::Mode::Status:
        std::puts(corvane::StatusCommand::run().c_str());
        return 0;
    case corvane::EntryCommand::Mode::Usage:
        return printUsage(command.json);
    case corvane::EntryCommand::Mode::Integrations:
        return runIntegrations(corvane::IntegrationsCommand::Action::list, {});
    case corvane::EntryCommand::Mode::Connect:
        return runIntegrations(corvane::IntegrationsCommand::Action::connect, command.integration);
    case corvane::EntryCommand::Mode::Disconnect:
        return runIntegrations(corvane::IntegrationsCommand::Action::disconnect, command.integration);
    case corvane::EntryCommand::Mode::Snapshots:
        return runDesktop(argc, argv, command.snapshotFolder.c_str());
    case corvane::EntryCommand::Mode::App:
        break;
    }
    if (!hasGraphicalSession()) {
        std::fputs("lunebox: no graphical session (DISPLAY or WAYLAND_DISPLAY is not set)\n", stderr);
        return 1;
    }
    migrateLegacyData();
    return runDesktop(argc, argv, nullptr);
}
