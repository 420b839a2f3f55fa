// The usage store at its design size: a million calls over the 90 days it
// keeps. Memory is the growth of resident memory (/proc/self/statm) while
// the calls are added, so it counts the allocator's overhead too; the peak
// growth comes from VmHWM in /proc/self/status and only means something
// when this benchmark runs first (--benchmark_filter=UsageAggregator).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <fmt/format.h>
#include <unistd.h>

#include "core/agents/UsageAggregator.h"

namespace {

using namespace corvane;

constexpr std::size_t records = 1'000'000;

double residentBytes()
{
    long size = 0;
    long resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

double peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::stod(line.substr(6)) * 1024;
    }
    return 0;
}

// Calls as agents write them: message ids of real length, a few models,
// thousands of sessions in dozens of projects, spread over 90 days.
void fill(UsageRecord& record, std::size_t i)
{
    static constexpr const char* models[] = {"claude-opus-4-7", "claude-sonnet-4-6", "claude-haiku-4-5", "gpt-5-codex"};
    std::size_t session = i / 400;
    record.id = fmt::format("msg_01{:022x}", i * 0x9e3779b97f4a7c15ULL);
    record.agent = i % 4 == 3 ? AgentKind::codex : AgentKind::claudeCode;
    record.model = models[i % 4];
    record.timestamp = WallTime::fromUnixSeconds(1'790'000'000 + static_cast<double>(i) * 7.7);
    record.sessionID = fmt::format("{:08x}-4b1c-4d2e-9f3a-{:012x}", session, session * 31);
    record.project = fmt::format("project-{}", session % 40);
    record.usage = {static_cast<std::int64_t>(i % 5000), static_cast<std::int64_t>(i % 900), 1200, 0,
                    static_cast<std::int64_t>(i % 90'000), 0};
}

void UsageAggregatorAddMillion(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        UsageRecord record{"", AgentKind::claudeCode, "", WallTime::fromUnixSeconds(0), "", std::nullopt, {}};
        double residentBefore = residentBytes();
        double peakBefore = peakResidentBytes();
        state.ResumeTiming();

        UsageAggregator store;
        for (std::size_t i = 0; i < records; ++i) {
            fill(record, i);
            store.add(record);
        }

        state.PauseTiming();
        state.counters["records"] = static_cast<double>(store.count());
        state.counters["bytes_per_record"] = (residentBytes() - residentBefore) / static_cast<double>(store.count());
        state.counters["peak_bytes_per_record"] = (peakResidentBytes() - peakBefore) / static_cast<double>(store.count());
        state.ResumeTiming();
    }
}
BENCHMARK(UsageAggregatorAddMillion)->Iterations(1)->Unit(benchmark::kMillisecond);

void UsageAggregatorMonthAndHeatmap(benchmark::State& state)
{
    UsageAggregator store;
    UsageRecord record{"", AgentKind::claudeCode, "", WallTime::fromUnixSeconds(0), "", std::nullopt, {}};
    for (std::size_t i = 0; i < records; ++i) {
        fill(record, i);
        store.add(record);
    }
    PriceMemo prices;
    Calendar calendar = Calendar::named("Europe/Berlin").value();
    WallTime now = WallTime::fromUnixSeconds(1'797'700'000);
    UsagePeriods periods = usagePeriods(now, calendar);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.summary(periods.month, std::nullopt, prices));
        benchmark::DoNotOptimize(store.heatmap(12, now, calendar, prices));
    }
}
BENCHMARK(UsageAggregatorMonthAndHeatmap)->Unit(benchmark::kMillisecond);

}  // namespace
