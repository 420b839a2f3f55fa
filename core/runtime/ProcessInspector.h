#pragma once
// What the kernel tells about one process, read from /proc. Every function
// answers nothing (or an empty value) for a pid below 1 or a process that is
// gone or not ours to read: processes come and go between two calls, so a
// missing answer is normal, never an error.
//
// Linux notes: the start time is the boot time ("btime" of /proc/stat) plus
// the "starttime" ticks of /proc/<pid>/stat, so it is stable for the life
// of the process; the owner is the owner of /proc/<pid>, which the kernel
// sets to the effective uid. The name is the executable's file name, which
// the process cannot change; the kernel's short name ("comm", cut at 15
// bytes) is rewritten by programs that set their title (a Next.js server
// calls itself "next-server (v14...)"), so it serves only when there is no
// executable path and for `pids(named:)`.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/runtime/ProcessArgs.h"
#include "core/runtime/ProcessIdentity.h"

namespace corvane {

// The fields of /proc/<pid>/stat the program uses.
struct ProcStat {
    std::string name;  // "comm", at most 15 bytes
    char state = '?';
    std::int32_t ppid = 0;
    std::int32_t pgrp = 0;
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    std::uint64_t startTicks = 0;  // clock ticks after boot

    // The name may hold spaces and parentheses: the fields start after the last ")".
    static std::optional<ProcStat> parse(std::string_view line);

    bool operator==(const ProcStat&) const = default;
};

struct ProcessInspector {
    struct NamedPID {
        std::int32_t pid = 0;
        std::string name;
        bool operator==(const NamedPID&) const = default;
    };

    static std::vector<std::int32_t> allPIDs();
    static std::optional<ProcessIdentity> identity(std::int32_t pid);
    static std::optional<ProcessSnapshot> snapshot(std::int32_t pid, bool includeArgs);
    static std::optional<std::int32_t> processGroup(std::int32_t pid);
    static std::optional<std::uint32_t> owner(std::int32_t pid);
    static std::optional<std::string> path(std::int32_t pid);
    static std::optional<std::string> cwd(std::int32_t pid);
    static std::vector<std::string> arguments(std::int32_t pid);
    static std::optional<ProcessArgs> argumentsAndEnvironment(std::int32_t pid);
    // True when signal 0 reaches it, or fails only for lack of permission.
    static bool isAlive(std::int32_t pid);
    // Processes whose short name is in the set.
    static std::vector<NamedPID> pids(const std::set<std::string>& names);
    // As above, plus processes named by a version ("2.1.3", "1.0.0-beta+4")
    // whose executable lies directly in `versionFolder`, reported as `alias`.
    static std::vector<NamedPID> pids(const std::set<std::string>& names, const std::filesystem::path& versionFolder,
                                      const std::string& alias);

    // Building blocks for scanners that already hold part of the answer.
    static std::optional<ProcStat> stat(std::int32_t pid);
    // Microseconds since 1970 at which the process described by `stat` started.
    static std::uint64_t startTime(const ProcStat& stat);
    // User plus system CPU time.
    static double cpuSeconds(const ProcStat& stat);
    // Resident memory from /proc/<pid>/statm.
    static std::optional<std::uint64_t> residentBytes(std::int32_t pid);
    // The process name: the executable's file name (without the " (deleted)"
    // the kernel adds once the file was replaced), else the short name.
    static std::string displayName(std::string_view path, std::string_view shortName);
};

}  // namespace corvane
