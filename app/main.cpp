// Process entry. Dispatches the command-line modes before anything else and
// loads the desktop library only when a window is wanted.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "app/DesktopEntry.h"
#include "core/notch/EntryCommand.h"

namespace {

std::filesystem::path executableFolder()
{
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(".") : self.parent_path();
}

int runDesktop(int argc, char** argv, const char* snapshotFolder)
{
    auto folder = executableFolder();
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

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
    auto command = corvane::EntryCommand::parse(arguments);
    switch (command.mode) {
    case corvane::EntryCommand::Mode::Status:
        std::puts("{}");
        return 0;
    case corvane::EntryCommand::Mode::Snapshots:
        return runDesktop(argc, argv, command.snapshotFolder.c_str());
    case corvane::EntryCommand::Mode::App:
        break;
    }
    return runDesktop(argc, argv, nullptr);
}
