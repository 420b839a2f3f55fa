#pragma once
// Finds the running workloads: walks the process table, keeps to the
// user's own processes whose names could match, and asks WorkloadMatcher
// about each. One per controller; `scan` may run on any thread.
//
// Linux notes: the name is the kernel's short name from /proc/<pid>/stat
// (the executable's file name as started, or the title a program set, cut
// at 15 bytes). A process is known by its pid, its start ticks and that
// name: a reused pid never inherits another process's cached arguments or
// CPU time, and a process that executed another program (same pid, same
// start, new name) has its arguments read again.
// The CPU percent is the user plus system time used between two scans
// divided by the monotonic time between them: 100 is one core busy.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <sys/types.h>

#include "core/base/Time.h"
#include "core/keepawake/WorkloadRule.h"

namespace corvane {

class WorkloadScanner {
public:
    // Scans the processes owned by `uid`, never the scanner's own process.
    WorkloadScanner(const Clock& clock, uid_t uid);

    std::vector<Workload> scan(const std::vector<WorkloadRule>& rules);

private:
    struct Key {
        std::int32_t pid = 0;
        std::uint64_t startTicks = 0;
        std::string name;
        auto operator<=>(const Key&) const = default;
    };
    struct Seen {
        std::vector<std::string> argv;
        double cpuSeconds = 0;
        MonotonicTime sampledAt;
    };

    const Clock& clock_;
    uid_t uid_;
    std::mutex mutex_;
    std::map<Key, Seen> seen_;
};

}  // namespace corvane
