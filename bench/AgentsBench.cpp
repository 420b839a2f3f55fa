// The agents module's two hot paths beside baselines from the same run.
//
// The tick: 50 transcripts that agents are writing, judged once more with
// nothing new (one stat each, no read, no process scan), against 50 bare
// `stat` calls on the same files.
//
// The hook path: a hook file renamed into the inbox, through the real
// inotify watcher with the app's 0.3 s latency, read, checked and folded
// into the timeline until the session shows as working (what puts the ear
// up), against the same watcher delivering the rename and nothing else.

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <fstream>
#include <mutex>

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include "core/agents/AgentSignals.h"
#include "core/agents/ClaudeHookInbox.h"
#include "core/agents/LiveTranscripts.h"
#include "core/base/FileWatcher.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
constexpr int transcriptCount = 50;
constexpr double inboxLatency = 0.3;

struct Transcripts {
    testing::TemporaryFolder folder;
    std::vector<fs::path> paths;

    Transcripts()
    {
        for (int i = 0; i < transcriptCount; ++i) {
            fs::path path = folder / ("session-" + std::to_string(i) + ".jsonl");
            std::ofstream(path) << R"({"type":"user","message":{"content":"go"}})" << '\n';
            paths.push_back(path);
        }
    }
};

void BM_AgentsTick50LiveTranscripts(benchmark::State& state)
{
    Transcripts transcripts;
    LiveTranscripts live({20, 30, 1200}, [] { return LiveAgents{}; });
    std::map<fs::path, SessionFile> files;
    for (const fs::path& path : transcripts.paths)
        files.emplace(path, SessionFile{AgentKind::claudeCode, "app", WallTime::distantPast(), std::nullopt, std::nullopt});
    live.note(files);
    WallTime now = WallTime::fromUnixSeconds(static_cast<double>(std::time(nullptr)) + 1);
    if (live.tick(now).changes.size() != transcriptCount)
        state.SkipWithError("the transcripts did not start working");
    for (auto _ : state)
        benchmark::DoNotOptimize(live.tick(now));
}
BENCHMARK(BM_AgentsTick50LiveTranscripts)->Unit(benchmark::kMicrosecond);

void BM_AgentsBaseline50Stats(benchmark::State& state)
{
    Transcripts transcripts;
    for (auto _ : state) {
        for (const fs::path& path : transcripts.paths) {
            struct stat info {};
            benchmark::DoNotOptimize(::stat(path.c_str(), &info));
        }
    }
}
BENCHMARK(BM_AgentsBaseline50Stats)->Unit(benchmark::kMicrosecond);

// Hands the watcher's batches to the timing loop.
class Arrivals {
public:
    FileWatcher::Callback callback()
    {
        return [this](const FileWatcher::Changes&) {
            std::lock_guard lock(mutex_);
            ++count_;
            arrived_.notify_all();
        };
    }
    bool waitBeyond(int seen)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return count_ > seen; });
    }
    int count()
    {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    int count_ = 0;
};

fs::path dropHook(const fs::path& inbox, int n)
{
    std::string name = "claude-" + std::to_string(1000 + n) + "-" + std::to_string(std::time(nullptr)) + ".json";
    fs::path hidden = inbox / ("." + name + ".tmp");
    std::ofstream(hidden) << R"({"event":"start","session":"bench-)" << n
                          << R"(","project":"app","agent":"claude","tty":"pts/1","app":"","term":"xterm"})";
    fs::rename(hidden, inbox / name);
    return inbox / name;
}

void hookPath(benchmark::State& state, bool fold)
{
    testing::TemporaryFolder inbox;
    Arrivals arrivals;
    auto watcher = FileWatcher::start({{{inbox.path(), 0}}, inboxLatency, "bench"}, arrivals.callback());
    if (!watcher) {
        state.SkipWithError("no inotify");
        return;
    }
    AgentSignals signals;
    AgentTimeline timeline;
    int n = 0;
    for (auto _ : state) {
        int seen = arrivals.count();
        auto started = std::chrono::steady_clock::now();
        fs::path dropped = dropHook(inbox.path(), n);
        if (!arrivals.waitBeyond(seen)) {
            state.SkipWithError("the watcher did not report the file");
            return;
        }
        if (fold) {
            auto batch = ClaudeHookInbox::read(inbox.path(), WallTime::fromUnixSeconds(double(std::time(nullptr))));
            ClaudeHookInbox::removeRead(batch);
            for (const HookInboxEvent& event : batch.events)
                signals.hook(timeline, event);
            const AgentTimeline::Session* session = timeline.find("bench-" + std::to_string(n));
            if (session == nullptr || session->state() != AgentTimeline::State::working) {
                state.SkipWithError("the hook did not reach the timeline");
                return;
            }
        } else {
            fs::remove(dropped);  // a removal is no change the watcher reports
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        ++n;
    }
}

void BM_AgentsHookRenameToWorking(benchmark::State& state) { hookPath(state, true); }
BENCHMARK(BM_AgentsHookRenameToWorking)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_AgentsBaselineWatcherLatency(benchmark::State& state) { hookPath(state, false); }
BENCHMARK(BM_AgentsBaselineWatcherLatency)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
