// The Auto Mode workload scan with 500 processes of the user running and
// nothing new since the last scan (arguments cached), against the least any
// scan of the process table does in the same run: list /proc and read the
// `stat` line of every process.
//
// Of the 500, 450 are plain `sleep`s and 50 run under names the built-in
// rules look at (`cargo`, `node`, `python3`), so their arguments and CPU
// time are read and matched as they would be for a real build or agent.

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "core/base/Time.h"
#include "core/keepawake/WorkloadMatcher.h"
#include "core/keepawake/WorkloadScanner.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
constexpr int processCount = 500;
constexpr int namedCount = 50;

// The processes live until the benchmark program exits.
struct Crowd {
    testing::TemporaryFolder folder;
    std::vector<std::unique_ptr<testing::ChildProcess>> children;
    bool ready = true;

    Crowd()
    {
        const char* names[] = {"cargo", "node", "python3"};
        for (const char* name : names)
            fs::create_symlink("/bin/sleep", folder / name);
        for (int i = 0; i < processCount; ++i) {
            std::string program = i < namedCount ? (folder / names[i % 3]).string() : "/bin/sleep";
            children.push_back(std::make_unique<testing::ChildProcess>(
                std::vector<std::string>{program, "600", "build", "--release"}, std::vector<std::string>{}, "/"));
            ready = ready && children.back()->pid() > 0;
        }
    }
};

bool startCrowd(benchmark::State& state)
{
    static Crowd crowd;
    if (!crowd.ready)
        state.SkipWithError("the processes did not start");
    return crowd.ready;
}

void BM_WorkloadScan500Processes(benchmark::State& state)
{
    if (!startCrowd(state))
        return;
    SystemClock clock;
    WorkloadScanner scanner(clock, ::geteuid());
    const auto& rules = WorkloadMatcher::defaultRules();
    benchmark::DoNotOptimize(scanner.scan(rules));  // the first scan reads every argument list
    for (auto _ : state)
        benchmark::DoNotOptimize(scanner.scan(rules));
}
BENCHMARK(BM_WorkloadScan500Processes)->Unit(benchmark::kMillisecond);

void BM_ProcStatOfEveryProcess(benchmark::State& state)
{
    if (!startCrowd(state))
        return;
    char line[1024];
    for (auto _ : state) {
        DIR* proc = ::opendir("/proc");
        std::size_t bytes = 0;
        while (dirent* entry = ::readdir(proc)) {
            if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
                continue;
            char path[300];
            std::snprintf(path, sizeof path, "%s/stat", entry->d_name);
            int fd = ::openat(::dirfd(proc), path, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            ssize_t got = ::read(fd, line, sizeof line);
            bytes += got > 0 ? static_cast<std::size_t>(got) : 0;
            ::close(fd);
        }
        ::closedir(proc);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ProcStatOfEveryProcess)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
