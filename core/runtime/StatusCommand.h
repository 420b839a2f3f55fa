#pragma once
// `lunebox --status`: one JSON document with the development servers
// listening right now and the newest keep-awake event, for scripts and
// coding agents. It reads the kernel's tables and the keep-awake log the
// running app keeps, and writes nothing.
//
// The document, with keys sorted at every level:
//   {"app": "Lunebox", "devServers": [{"framework", "pid", "port", "project"}…],
//    "keepAwake": {"at", "lastEvent", "reason"} or {"lastEvent": null}, "version": "1.0.0"}

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/runtime/DevServer.h"

namespace corvane {

struct StatusCommand {
    static constexpr std::string_view productName = "Lunebox";
    // The project's version, set once in the top-level CMakeLists.txt.
    static constexpr std::string_view version = LUNEBOX_VERSION;

    // The document for these servers and the log file's bytes (nothing when
    // the file could not be read). Pretty printed, no final newline.
    static std::string document(const std::vector<DevServer>& servers, const std::optional<std::string>& keepAwakeLog);

    // The log of the main product's data folder, never a variant's or a
    // harness run's: `dataHome` is $XDG_DATA_HOME (used when absolute).
    static std::filesystem::path keepAwakeLogPath(const std::optional<std::string>& dataHome,
                                                  const std::filesystem::path& home);

    // Scans with a scanner of its own, reads the log, builds the document.
    static std::string run();
};

}  // namespace corvane
