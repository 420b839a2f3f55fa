// Passes of the usage indexer over generated transcript trees, each beside
// its baseline in the same run: the full pass against counting the lines of
// the same files (one thread, read into a reused buffer, as `wc -l` does),
// the incremental pass over unchanged files against a bare `stat` of each.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bench/TranscriptTreeGenerator.h"
#include "core/agents/UsageIndexer.h"
#include "core/base/FileDescriptor.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct Tree {
    fs::path home;
    TranscriptRoots roots;
    std::vector<TranscriptFile> files;
    std::uint64_t bytes = 0;
};

Tree scan(const fs::path& home)
{
    Tree made;
    made.home = home;
    made.roots = {TranscriptCatalog::canonical(home / "claude/projects"), TranscriptCatalog::canonical(home / "codex/sessions")};
    made.files = TranscriptCatalog::find(made.roots);
    for (const auto& file : made.files)
        made.bytes += fs::file_size(file.path);
    return made;
}

// Generated once into the temporary folder and reused by later runs.
// `files` pads the tree with hard links of its transcripts under new names
// up to that many transcripts, for a tree of many files without many bytes.
const Tree& tree(std::uint64_t bytes, std::size_t files = 0)
{
    static std::map<std::pair<std::uint64_t, std::size_t>, Tree> trees;
    if (auto found = trees.find({bytes, files}); found != trees.end())
        return found->second;
    const fs::path home = fs::temp_directory_path()
                          / ("lunebox-bench-tree-" + std::to_string(bytes >> 20) + "m-" + std::to_string(files));
    if (!fs::exists(home / "complete")) {
        fs::remove_all(home);
        bench::TreeOptions options;
        options.targetBytes = bytes;
        options.projects = 40;
        if (!bench::generateTranscriptTree(home, options)) {
            std::fprintf(stderr, "cannot generate a transcript tree in %s\n", home.c_str());
            std::exit(1);
        }
        const Tree generated = scan(home);
        std::size_t count = generated.files.size();
        for (int copy = 1; count < files && !generated.files.empty(); ++copy) {
            for (const auto& file : generated.files) {
                if (count == files)
                    break;
                fs::path name = file.path.parent_path() / (file.path.stem().string() + "-copy" + std::to_string(copy) + ".jsonl");
                fs::create_hard_link(file.path, name);
                ++count;
            }
        }
        std::ofstream(home / "complete").put('\n');
    }
    return trees.emplace(std::pair{bytes, files}, scan(home)).first->second;
}

constexpr std::uint64_t fullTreeBytes = 256ull << 20;
constexpr std::uint64_t manyFilesTreeBytes = 32ull << 20;
constexpr std::size_t manyFiles = 2000;

void BM_CountLinesBaseline(benchmark::State& state)
{
    const Tree& files = tree(fullTreeBytes);
    std::vector<char> buffer(UsageIndexer::readBytes);
    for (auto _ : state) {
        std::uint64_t lines = 0;
        for (const auto& file : files.files) {
            FileDescriptor fd(::open(file.path.c_str(), O_RDONLY | O_CLOEXEC));
            for (ssize_t got; (got = ::read(fd.get(), buffer.data(), buffer.size())) > 0;) {
                for (const char* at = buffer.data(); (at = static_cast<const char*>(std::memchr(at, '\n', buffer.data() + got - at)));
                     ++at)
                    ++lines;
            }
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files.bytes));
    state.counters["files"] = static_cast<double>(files.files.size());
}
BENCHMARK(BM_CountLinesBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UsageIndexerFullPass(benchmark::State& state)
{
    const Tree& files = tree(fullTreeBytes);
    SystemClock clock;
    std::int64_t records = 0;
    for (auto _ : state) {
        UsageIndexer indexer({files.roots, std::nullopt, &clock, Calendar::utc(), static_cast<unsigned>(state.range(0))});
        records = indexer.indexAll().records;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files.bytes));
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_UsageIndexerFullPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StatEveryTranscriptBaseline(benchmark::State& state)
{
    const Tree& files = tree(manyFilesTreeBytes, manyFiles);
    for (auto _ : state) {
        for (const auto& file : files.files) {
            struct stat info {};
            benchmark::DoNotOptimize(::stat(file.path.c_str(), &info));
        }
    }
    state.counters["files"] = static_cast<double>(files.files.size());
}
BENCHMARK(BM_StatEveryTranscriptBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

// Everything read already: the pass lists the roots and finds nothing new.
void BM_UsageIndexerIncrementalPass(benchmark::State& state)
{
    const Tree& files = tree(manyFilesTreeBytes, manyFiles);
    SystemClock clock;
    UsageIndexer indexer({files.roots, std::nullopt, &clock, Calendar::utc()});
    indexer.indexAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(indexer.indexAll().stats.files);
    state.counters["files"] = static_cast<double>(files.files.size());
}
BENCHMARK(BM_UsageIndexerIncrementalPass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace corvane
