// The pre-filter's substring search against glibc's memmem on transcript-like
// lines: most lines miss every needle, so the cost is the full scan.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <string_view>

#include "core/agents/JSONLTailer.h"

namespace {

// Lines of 8 KiB that hold none of the needles: a tool result of plain
// prose (few quotes) and structured content (a quote every few bytes, where
// the needle's first byte matches often).
std::string missLine(bool structured)
{
    std::string line = R"({"type":"user","message":{"role":"user","content":[)";
    while (line.size() < 8192) {
        line += structured ? R"({"type":"tool_use","id":"toolu_01","name":"Read","input":{"file_path":"/src/a.cpp"}},)"
                           : "src/main.cpp:42: note: candidate function template not viable; undeclared name ";
    }
    return line + R"({}]},"uuid":"7c1e","timestamp":"2026-12-06T05:00:00.000Z"})";
}

constexpr std::string_view needle = "\"token_count\"";

void containsBytesSearch(benchmark::State& state)
{
    const std::string line = missLine(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::JSONLTailer::contains(line, needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(containsBytesSearch)->ArgName("structured")->Arg(0)->Arg(1);

void glibcMemmem(benchmark::State& state)
{
    const std::string line = missLine(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(::memmem(line.data(), line.size(), needle.data(), needle.size()) != nullptr);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(glibcMemmem)->ArgName("structured")->Arg(0)->Arg(1);

}  // namespace
