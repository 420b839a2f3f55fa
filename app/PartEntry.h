#pragma once
// The one symbol the entry looks up in the desktop library.

extern "C" {

struct LuneboxDesktopRequest {
    int argc;
    char** argv;
    const char* snapshotFolder;  // null unless rendering snapshots
};

using LuneboxDesktopMain = int (*)(const LuneboxDesktopRequest*);

// Runs the desktop app (or the snapshot renderer) and returns the exit code.
int luneboxDesktopMain(const LuneboxDesktopRequest* request);
}

inline constexpr const char* luneboxDesktopSymbol = "luneboxDesktopMain";
inline constexpr const char* luneboxDesktopLibrary = "liblunebox-desktop.so";
