// What one save of a small store costs: the atomic write (with fsync) of a
// history-sized document, against encoding alone.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/base/JsonStore.h"

namespace {

corvane::Json historyLikeDocument()
{
    corvane::Json records = corvane::Json::array();
    for (int i = 0; i < 100; ++i)
        records.push_back({{"id", "6F9619FF-8B86-D011-B42D-00C04FC964FF"}, {"kind", "ai.finished"}, {"moduleID", "ai"},
                           {"title", "Claude Code finished"}, {"text", "lunebox · 12 steps"}, {"date", 786000000.0 + i}});
    return {{"records", records}, {"lastSeen", 786000000.0}};
}

void encodeOnly(benchmark::State& state)
{
    auto document = historyLikeDocument();
    for (auto _ : state)
        benchmark::DoNotOptimize(document.dump());
}
BENCHMARK(encodeOnly);

void atomicSave(benchmark::State& state)
{
    auto folder = std::filesystem::temp_directory_path() / "lunebox-bench-store";
    corvane::JsonStoreFile file(folder / "alerts.json", 1 << 20);
    auto document = historyLikeDocument();
    for (auto _ : state)
        benchmark::DoNotOptimize(file.save(document).ok());
    std::filesystem::remove_all(folder);
}
BENCHMARK(atomicSave)->Unit(benchmark::kMicrosecond);

}  // namespace
