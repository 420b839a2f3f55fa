#include "core/keepawake/WorkloadScanner.h"

#include <algorithm>
#include <chrono>

#include <unistd.h>

#include "core/keepawake/WorkloadMatcher.h"
#include "core/runtime/ProcessInspector.h"

namespace corvane {

namespace {

// Agents whose sessions are tied to a project folder: the panel shows where they work.
bool recordsPlace(const Workload& workload)
{
    return workload.kind == WorkloadKind::agent && (workload.label == "claude" || workload.label == "codex");
}

}  // namespace

WorkloadScanner::WorkloadScanner(const Clock& clock, uid_t uid)
    : clock_(clock)
    , uid_(uid)
{
}

std::vector<Workload> WorkloadScanner::scan(const std::vector<WorkloadRule>& rules)
{
    std::lock_guard lock(mutex_);
    const std::int32_t self = ::getpid();
    std::map<Key, Seen> kept;
    std::vector<Workload> found;

    for (std::int32_t pid : ProcessInspector::allPIDs()) {
        if (pid == self)
            continue;
        auto stat = ProcessInspector::stat(pid);
        if (!stat)
            continue;  // gone since the listing
        if (stat->state == 'Z' || stat->state == 'X')
            continue;  // ended, only waiting for its parent: no work any more
        if (!WorkloadMatcher::worthExamining(stat->name, rules))
            continue;
        auto owner = ProcessInspector::owner(pid);
        if (!owner || *owner != uid_)
            continue;

        Key key{pid, stat->startTicks, stat->name};
        MonotonicTime now = clock_.monotonicNow();
        double cpuSeconds = ProcessInspector::cpuSeconds(*stat);
        double cpu = -1;
        Seen entry;
        if (auto before = seen_.find(key); before != seen_.end()) {
            entry.argv = std::move(before->second.argv);
            double elapsed = std::chrono::duration<double>(now - before->second.sampledAt).count();
            if (elapsed > 0)
                cpu = std::max(0.0, cpuSeconds - before->second.cpuSeconds) / elapsed * 100;
        }
        // First sight, or caught while it was still starting.
        if (entry.argv.empty())
            entry.argv = ProcessInspector::arguments(pid);
        entry.cpuSeconds = cpuSeconds;
        entry.sampledAt = now;

        if (auto workload = WorkloadMatcher::match(pid, stat->name, entry.argv, cpu, rules)) {
            if (recordsPlace(*workload)) {
                workload->cwd = ProcessInspector::cwd(pid);
                auto started = static_cast<double>(ProcessInspector::startTime(*stat)) / 1e6;
                workload->started = WallTime::fromUnixSeconds(started);
            }
            found.push_back(std::move(*workload));
        }
        kept.emplace(key, std::move(entry));
    }
    // Processes that ended (or stopped being candidates) leave the cache.
    seen_ = std::move(kept);
    return found;
}

}  // namespace corvane
