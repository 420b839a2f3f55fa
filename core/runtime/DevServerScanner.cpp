#include "core/runtime/DevServerScanner.h"

#include <cmath>

#include "core/runtime/ProjectInfo.h"

namespace corvane {

namespace {

constexpr std::size_t commandArguments = 6;
constexpr double minimumSampleSeconds = 0.01;
constexpr std::uint64_t mebibyteMask = ~((std::uint64_t{1} << 20) - 1);

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

std::string commandLine(const std::vector<std::string>& argv)
{
    std::string command;
    for (std::size_t i = 0; i < argv.size() && i < commandArguments; ++i) {
        if (i > 0)
            command += ' ';
        command += argv[i];
    }
    return command;
}

std::vector<std::string> argvOrPath(const std::vector<std::string>& argv, const std::string& path)
{
    return argv.empty() ? std::vector<std::string>{path} : argv;
}

}  // namespace

DevServerScanner::DevServerScanner() : DevServerScanner(systemClock(), DevServerClassifier::User::current()) {}

DevServerScanner::DevServerScanner(const Clock& clock, DevServerClassifier::User user)
    : clock_(clock)
    , user_(std::move(user))
    , holders_(clock)
{
}

int DevServerScanner::cachedProcessCount() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(cache_.size());
}

const DevServerScanner::Entry* DevServerScanner::entryFor(std::int32_t pid, const ProcStat& stat)
{
    std::uint64_t startTime = ProcessInspector::startTime(stat);
    auto cached = cache_.find(pid);
    if (cached != cache_.end() && cached->second.identity.startTime == startTime
        && cached->second.shortName == stat.name)
        return &cached->second;

    auto path = ProcessInspector::path(pid);
    if (!path) {
        cache_.erase(pid);  // gone, or no longer ours to read
        return nullptr;
    }
    if (cached != cache_.end() && cached->second.identity == ProcessIdentity{pid, startTime, *path}) {
        cached->second.shortName = stat.name;  // renamed itself: same process
        return &cached->second;
    }

    auto snapshot = ProcessInspector::snapshot(pid, true);
    if (!snapshot) {
        cache_.erase(pid);
        return nullptr;
    }
    Entry entry;
    entry.identity = std::move(snapshot->identity);
    entry.name = std::move(snapshot->name);
    entry.argv = std::move(snapshot->argv);
    entry.cwd = std::move(snapshot->cwd);
    entry.uid = snapshot->uid;
    entry.pgid = stat.pgrp;
    entry.shortName = stat.name;
    entry.runtime = DevServerClassifier::runtime(entry.name, argvOrPath(entry.argv, entry.identity.path), user_.home);
    ProjectInfo project;
    if (entry.runtime && entry.cwd)
        project = ProjectInfo::read(*entry.cwd);
    entry.framework = DevServerClassifier::framework(entry.argv, project.dependencies, project.files);
    entry.project = ProjectInfo::projectName(entry.cwd, user_.home);
    return &(cache_[pid] = std::move(entry));
}

ScanResult DevServerScanner::scan(const std::set<int>& ignoredPorts, bool loads)
{
    return scan(ignoredPorts, loads, {});
}

std::vector<DevServer> DevServerScanner::servers()
{
    return scan({}, false, [this](std::int32_t pid) { return mayServe(pid); }).servers;
}

bool DevServerScanner::mayServe(std::int32_t pid) const
{
    auto path = ProcessInspector::path(pid);
    if (!path || DevServerClassifier::isSystemPath(*path))
        return false;
    std::string name = ProcessInspector::displayName(*path, {});
    return DevServerClassifier::runtime(name, argvOrPath(ProcessInspector::arguments(pid), *path), user_.home)
        .has_value();
}

ScanResult DevServerScanner::scan(const std::set<int>& ignoredPorts, bool loads, const SocketHolders::Filter& filter)
{
    std::lock_guard guard(lock_);
    ScanResult result;
    std::unordered_map<std::int32_t, ProcStat> stats;
    std::set<std::int32_t> seen;

    for (const Listener& listener : ListenerScanner::scan(holders_, user_.uid, filter)) {
        if (ignoredPorts.contains(listener.port))
            continue;
        seen.insert(listener.pid);
        auto stat = stats.find(listener.pid);
        if (stat == stats.end()) {
            auto fresh = ProcessInspector::stat(listener.pid);
            if (!fresh) {
                cache_.erase(listener.pid);  // exited since the socket listing
                continue;
            }
            stat = stats.emplace(listener.pid, std::move(*fresh)).first;
        }
        const Entry* entry = entryFor(listener.pid, stat->second);
        if (entry == nullptr)
            continue;

        PortRow row;
        row.listener = listener;
        row.name = entry->name;
        row.path = entry->identity.path;
        row.identity = entry->identity;
        row.category = DevServerClassifier::category(listener.port, entry->name);
        row.isDevServer = DevServerClassifier::isDevServer(entry->name, entry->identity.path, entry->argv, entry->uid,
                                                           listener.port, user_);
        row.cwd = entry->cwd;
        row.command = commandLine(entry->argv);
        row.own = entry->uid == user_.uid;
        if (row.isDevServer && entry->runtime) {
            result.servers.push_back(DevServer{listener, entry->identity, entry->name, *entry->runtime,
                                               entry->framework, entry->project, entry->cwd, row.command, row.category,
                                               entry->pgid});
        }
        result.ports.push_back(std::move(row));
    }
    std::erase_if(cache_, [&](const auto& item) { return !seen.contains(item.first); });

    if (!loads)
        cpu_.clear();
    else
        result.loads = sampleLoads(result.servers, stats);
    return result;
}

std::map<std::int32_t, ProcessLoadSample> DevServerScanner::sampleLoads(
    const std::vector<DevServer>& servers, const std::unordered_map<std::int32_t, ProcStat>& stats)
{
    std::map<std::int32_t, ProcessLoadSample> loads;
    MonotonicTime now = clock_.monotonicNow();
    for (const DevServer& server : servers) {
        std::int32_t pid = server.listener.pid;
        if (loads.contains(pid))
            continue;
        auto stat = stats.find(pid);
        auto resident = ProcessInspector::residentBytes(pid);
        if (stat == stats.end() || !resident) {
            cpu_.erase(pid);
            continue;
        }
        double seconds = ProcessInspector::cpuSeconds(stat->second);
        double cpu = 0;
        if (auto previous = cpu_.find(pid); previous != cpu_.end()) {
            double elapsed = std::chrono::duration<double>(now - previous->second.at).count();
            if (elapsed > minimumSampleSeconds)
                cpu = std::max(0.0, (seconds - previous->second.seconds) / elapsed * 100);
        }
        cpu_[pid] = CPUSample{seconds, now};
        loads[pid] = ProcessLoadSample{std::round(cpu), *resident & mebibyteMask};
    }
    std::erase_if(cpu_, [&](const auto& item) { return !loads.contains(item.first); });
    return loads;
}

}  // namespace corvane
