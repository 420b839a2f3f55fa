#pragma once
// One scan of the listening ports: which of the current user's processes
// are development servers, what they are, and (when asked) how much CPU and
// memory they use.
//
// A process is inspected in full (arguments, working folder,
// "package.json", marker files) once per identity. Later scans check that
// the process behind a cached pid is still the same one by its start time
// and short name from one read of /proc/<pid>/stat; only when those change
// is the executable path read to compare the whole identity.

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/Time.h"
#include "core/runtime/DevServer.h"
#include "core/runtime/DevServerClassifier.h"
#include "core/runtime/ListenerScanner.h"
#include "core/runtime/ProcessInspector.h"

namespace corvane {

class DevServerScanner {
public:
    struct Entry {
        ProcessIdentity identity;
        std::string name;
        std::vector<std::string> argv;
        std::optional<std::string> cwd;
        std::optional<Runtime> runtime;
        Framework framework = Framework::other;
        std::optional<std::string> project;
        std::uint32_t uid = 0;
        std::int32_t pgid = 0;
        std::string shortName;  // the kernel's name when inspected
    };

    DevServerScanner();
    DevServerScanner(const Clock& clock, DevServerClassifier::User user);
    DevServerScanner(const DevServerScanner&) = delete;
    DevServerScanner& operator=(const DevServerScanner&) = delete;

    // Safe from any thread; concurrent scans run one after the other.
    ScanResult scan(const std::set<int>& ignoredPorts, bool loads);
    // The servers alone, for a one-off answer: processes that cannot be a
    // development server whatever port they hold (by their executable and
    // arguments) are not searched for sockets.
    std::vector<DevServer> servers();
    int cachedProcessCount() const;

private:
    struct CPUSample {
        double seconds;
        MonotonicTime at;
    };

    ScanResult scan(const std::set<int>& ignoredPorts, bool loads, const SocketHolders::Filter& filter);
    bool mayServe(std::int32_t pid) const;
    const Entry* entryFor(std::int32_t pid, const ProcStat& stat);
    std::map<std::int32_t, ProcessLoadSample> sampleLoads(const std::vector<DevServer>& servers,
                                                          const std::unordered_map<std::int32_t, ProcStat>& stats);

    mutable std::mutex lock_;
    const Clock& clock_;
    DevServerClassifier::User user_;
    SocketHolders holders_;
    std::unordered_map<std::int32_t, Entry> cache_;
    std::unordered_map<std::int32_t, CPUSample> cpu_;
};

}  // namespace corvane
