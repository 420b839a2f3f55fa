// Process entry. Answers `--status` itself, loads the commands part for the
// other terminal commands and the desktop part only when a window is wanted.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "app/PartEntry.h"
#include "core/notch/EntryCommand.h"
#include "core/notch/KnownPaths.h"
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

// Loads a part beside the entry (a build tree) or where it is installed.
int runPart(const LuneboxPart& part, int argc, char** argv)
{
    auto folder = corvane::KnownPaths::runningExecutable().parent_path();
    const std::filesystem::path candidates[] = {
        folder / part.library,
        folder / ".." / "lib" / "lunebox" / part.library,
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
        std::fprintf(stderr, "lunebox: cannot load %s (%s)\n", part.library, lastError.c_str());
        return 1;
    }
    auto entry = reinterpret_cast<LuneboxPartMain>(::dlsym(library, part.symbol));
    if (entry == nullptr) {
        std::fprintf(stderr, "lunebox: %s has no entry\n", part.library);
        return 1;
    }
    LuneboxPartRequest request{argc, argv};
    return entry(&request);
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
    case corvane::EntryCommand::Mode::Integrations:
    case corvane::EntryCommand::Mode::Connect:
    case corvane::EntryCommand::Mode::Disconnect:
        return runPart(luneboxCommandsPart, argc, argv);
    case corvane::EntryCommand::Mode::Snapshots:
        return runPart(luneboxDesktopPart, argc, argv);
    case corvane::EntryCommand::Mode::App:
        break;
    }
    if (!hasGraphicalSession()) {
        std::fputs("lunebox: no graphical session (DISPLAY or WAYLAND_DISPLAY is not set)\n", stderr);
        return 1;
    }
    return runPart(luneboxDesktopPart, argc, argv);
}
