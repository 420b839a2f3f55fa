// A cached dev-server scan, as the app repeats it every few seconds, beside
// its baseline in the same run: the wall time of `ss -ltnpH`, which lists
// the same listening sockets with their processes. Both see 20 Python
// servers of this user, each in a project folder of its own, started once.

#include <fstream>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "core/base/ProcessRunner.h"
#include "core/runtime/DevServerScanner.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
constexpr int serverCount = 20;
const char* const python = "/usr/bin/python3";

// The servers live until the benchmark program exits.
struct Servers {
    testing::TemporaryFolder folder;
    std::vector<std::unique_ptr<testing::ChildProcess>> children;
    bool ready = false;

    Servers()
    {
        if (::access(python, X_OK) != 0)
            return;
        for (int i = 0; i < serverCount; ++i) {
            fs::path project = folder / ("project-" + std::to_string(i));
            fs::create_directories(project);
            std::ofstream(project / "package.json") << R"({"devDependencies": {"vite": "^5.0.0"}})";
            children.push_back(std::make_unique<testing::ChildProcess>(
                std::vector<std::string>{python, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1"},
                std::vector<std::string>{}, project));
        }
        for (auto& child : children) {
            if (!child->lineContaining("port "))
                return;
        }
        ready = true;
    }
};

bool startServers(benchmark::State& state)
{
    static Servers servers;
    if (!servers.ready)
        state.SkipWithError("the Python servers did not start (is /usr/bin/python3 installed?)");
    return servers.ready;
}

void BM_DevServerScanCached(benchmark::State& state)
{
    if (!startServers(state))
        return;
    DevServerScanner scanner;
    std::size_t servers = scanner.scan({}, false).servers.size();
    for (auto _ : state) {
        auto result = scanner.scan({}, false);
        benchmark::DoNotOptimize(result);
    }
    state.counters["servers"] = static_cast<double>(servers);
}
BENCHMARK(BM_DevServerScanCached)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_DevServerScanCachedWithLoads(benchmark::State& state)
{
    if (!startServers(state))
        return;
    DevServerScanner scanner;
    scanner.scan({}, true);
    for (auto _ : state) {
        auto result = scanner.scan({}, true);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_DevServerScanCachedWithLoads)->UseRealTime()->Unit(benchmark::kMicrosecond);

// What `lunebox --status` does after starting: a scan with a scanner of its own.
void BM_DevServerScanFresh(benchmark::State& state)
{
    if (!startServers(state))
        return;
    for (auto _ : state) {
        DevServerScanner scanner;
        auto result = scanner.scan({}, false);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_DevServerScanFresh)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The baseline: one run of `ss -ltnpH` from start to exit.
void BM_SsListeningWithProcesses(benchmark::State& state)
{
    if (!startServers(state))
        return;
    ChildRegistry registry;
    ProcessRunner runner(registry);
    ProcessRequest request;
    request.program = "ss";
    request.arguments = {"-ltnpH"};
    for (auto _ : state) {
        auto output = runner.run(request);
        if (!output || !output->succeeded()) {
            state.SkipWithError("ss did not run (is iproute2 installed?)");
            return;
        }
    }
}
BENCHMARK(BM_SsListeningWithProcesses)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane
