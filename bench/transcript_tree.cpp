// Writes a generated tree of agent transcripts and prints what it holds,
// with the token totals the usage store must arrive at:
//
//   transcript_tree DIR [--bytes N] [--seed S] [--days D] [--projects P] [--now SECONDS]
//
// N takes a K, M or G suffix (powers of 1024); SECONDS count since 1970.
// DIR must be absent or empty. Point CLAUDE_CONFIG_DIR at DIR/claude and
// CODEX_HOME at DIR/codex to read it.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "bench/TranscriptTreeGenerator.h"
#include "core/base/RawEnum.h"

namespace {

using namespace corvane;

constexpr std::string_view usage =
    "usage: transcript_tree DIR [--bytes N[K|M|G]] [--seed S] [--days D] [--projects P] [--now SECONDS]\n";

std::optional<std::uint64_t> number(std::string_view text, bool allowSuffix)
{
    std::uint64_t scale = 1;
    if (allowSuffix && !text.empty()) {
        switch (text.back()) {
        case 'K': case 'k': scale = 1ull << 10; break;
        case 'M': case 'm': scale = 1ull << 20; break;
        case 'G': case 'g': scale = 1ull << 30; break;
        default: break;
        }
        if (scale != 1)
            text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::stoull(std::string(text)) * scale;
}

bool isEmptyOrAbsent(const std::filesystem::path& folder)
{
    std::error_code error;
    if (!std::filesystem::exists(folder, error))
        return !error;
    return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error) && !error;
}

}  // namespace

int main(int argc, char** argv)
{
    bench::TreeOptions options;
    std::optional<std::filesystem::path> folder;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with("--")) {
            if (folder) {
                std::fputs(usage.data(), stderr);
                return 2;
            }
            folder = argument;
            continue;
        }
        std::optional<std::uint64_t> value;
        if (i + 1 < argc)
            value = number(argv[i + 1], argument == "--bytes");
        if (!value || (*value == 0 && argument != "--seed")) {
            std::fputs(usage.data(), stderr);
            return 2;
        }
        ++i;
        if (argument == "--bytes")
            options.targetBytes = *value;
        else if (argument == "--seed")
            options.seed = *value;
        else if (argument == "--days" && *value <= 3650)
            options.days = static_cast<int>(*value);
        else if (argument == "--projects" && *value <= 10'000)
            options.projects = static_cast<int>(*value);
        else if (argument == "--now")
            options.now = WallTime::fromUnixSeconds(static_cast<double>(*value));
        else {
            std::fputs(usage.data(), stderr);
            return 2;
        }
    }
    if (!folder) {
        std::fputs(usage.data(), stderr);
        return 2;
    }
    if (!isEmptyOrAbsent(*folder)) {
        fmt::print(stderr, "transcript_tree: {} is not empty\n", folder->string());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    auto counts = bench::generateTranscriptTree(*folder, options);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    if (!counts) {
        fmt::print(stderr, "transcript_tree: {}\n", counts.error().message());
        return 1;
    }
    fmt::print("files {}\nlines {}\nbytes {}\nbilled calls {}\n", counts->files, counts->lines, counts->bytes,
               counts->billedCalls);
    fmt::print("subagent files {}\nresumed sessions {}\nunfinished files {}\nmalformed lines {}\nhuge lines {} ({} "
               "over one read)\nseconds {:.2f}\n",
               counts->subagentFiles, counts->resumedSessions, counts->unfinishedFiles, counts->malformedLines,
               counts->hugeLines, counts->linesOverOneRead, took.count());
    for (const auto& [key, tokens] : counts->usage) {
        fmt::print("usage {} {} input {} output {} cacheWrite5m {} cacheWrite1h {} cacheRead {} reasoning {}\n",
                   rawValue(key.first), key.second, tokens.input, tokens.output, tokens.cacheWrite5m,
                   tokens.cacheWrite1h, tokens.cacheRead, tokens.reasoning);
    }
    return 0;
}
