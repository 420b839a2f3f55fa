#pragma once
// The parts the entry loads only when they are wanted, each a shared library
// with one C entry: the desktop app (Qt) and the terminal commands that read
// transcripts and the agents' settings (simdjson, fmt, the zone database).
// The entry links none of them, so `--status` starts with the C library alone.

extern "C" {

struct LuneboxPartRequest {
    int argc;
    char** argv;
};

// Runs the part for the command line it is given and returns the exit code.
using LuneboxPartMain = int (*)(const LuneboxPartRequest*);
int luneboxDesktopMain(const LuneboxPartRequest* request);
int luneboxCommandsMain(const LuneboxPartRequest* request);
}

struct LuneboxPart {
    const char* library;
    const char* symbol;
};

inline constexpr LuneboxPart luneboxDesktopPart{"liblunebox-desktop.so", "luneboxDesktopMain"};
inline constexpr LuneboxPart luneboxCommandsPart{"liblunebox-commands.so", "luneboxCommandsMain"};
