#include "bench/TranscriptTreeGenerator.h"

// Lines are assembled by appending pieces to one reused buffer; tool output,
// which is most of the bytes, is copied from text escaped once up front.
// Randomness comes from a generator and distributions of our own, since the
// standard library's distributions differ between implementations.

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <concepts>
#include <fstream>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

#include "core/agents/TranscriptProjectResolver.h"
#include "core/base/FileDescriptor.h"
#include "core/base/Files.h"

namespace fs = std::filesystem;

namespace corvane::bench {

namespace {

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;
constexpr std::int64_t GiB = 1024 * MiB;
// The indexer reads this much at a time and drops longer lines whole.
constexpr std::int64_t oneRead = 4 * MiB;
constexpr std::int64_t hourMillis = 3'600'000;
constexpr std::int64_t dayMillis = 24 * hourMillis;

// ---------------------------------------------------------------------------
// Randomness

// xoshiro256**, seeded through splitmix64.
class Random {
public:
    explicit Random(std::uint64_t seed)
    {
        for (std::uint64_t& word : state_) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t shifted = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= shifted;
        state_[3] = std::rotl(state_[3], 45);
        return result;
    }

    // Uniform in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(double probability) { return unit() < probability; }
    // Even over orders of magnitude, as the sizes of outputs and sessions are.
    std::int64_t logUniform(std::int64_t low, std::int64_t high)
    {
        const double ratio = static_cast<double>(high) / static_cast<double>(low);
        return static_cast<std::int64_t>(static_cast<double>(low) * std::pow(ratio, unit()));
    }
    template <typename Items>
    const auto& pick(const Items& items)
    {
        return items[next() % std::size(items)];
    }

private:
    std::array<std::uint64_t, 4> state_{};
};

// ---------------------------------------------------------------------------
// JSON text

void appendEscaped(std::string& out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.substr(start, i - start));
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        start = i + 1;
    }
    out.append(text.substr(start));
}

// A text to write as a JSON string.
struct Quoted {
    std::string_view text;
};

// An instant in milliseconds since 1970, in the one form both agents write.
struct Stamp {
    std::int64_t millis;
};

struct CivilTime {
    int year, month, day, hour, minute, second, millis;
};

CivilTime civil(std::int64_t millis)
{
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds{millis}};
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    return {int(date.year()),
            static_cast<int>(unsigned(date.month())),
            static_cast<int>(unsigned(date.day())),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count()),
            static_cast<int>(clock.subseconds().count())};
}

void put(std::string& out, std::string_view raw) { out.append(raw); }
void put(std::string& out, Quoted quoted)
{
    out += '"';
    appendEscaped(out, quoted.text);
    out += '"';
}
template <std::integral Number>
void put(std::string& out, Number number)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}
void put(std::string& out, Stamp stamp)
{
    const CivilTime t = civil(stamp.millis);
    fmt::format_to(std::back_inserter(out), "\"{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:03}Z\"", t.year, t.month, t.day,
                   t.hour, t.minute, t.second, t.millis);
}

template <typename... Pieces>
void append(std::string& out, const Pieces&... pieces)
{
    (put(out, pieces), ...);
}

std::string uuid4(Random& random)
{
    const std::uint64_t high = (random.next() & ~0xF000ull) | 0x4000ull;
    const std::uint64_t low = (random.next() & ~(3ull << 62)) | (2ull << 62);
    return fmt::format("{:08x}-{:04x}-{:04x}-{:04x}-{:012x}", high >> 32, (high >> 16) & 0xFFFF, high & 0xFFFF,
                       low >> 48, low & 0xFFFFFFFFFFFFull);
}

// Time-ordered, as Codex names its sessions.
std::string uuid7(Random& random, std::int64_t millis)
{
    const std::uint64_t high = (static_cast<std::uint64_t>(millis) << 16) | 0x7000ull | (random.next() & 0xFFF);
    const std::uint64_t low = (random.next() & ~(3ull << 62)) | (2ull << 62);
    return fmt::format("{:08x}-{:04x}-{:04x}-{:04x}-{:012x}", high >> 32, (high >> 16) & 0xFFFF, high & 0xFFFF,
                       low >> 48, low & 0xFFFFFFFFFFFFull);
}

void appendAlphabet(std::string& out, Random& random, std::size_t count, std::string_view alphabet)
{
    while (count > 0) {
        std::uint64_t bits = random.next();
        for (int i = 0; i < 8 && count > 0; ++i, --count, bits >>= 8)
            out += alphabet[(bits & 0xFF) % alphabet.size()];
    }
}

constexpr std::string_view base62 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view base64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view hexDigits = "0123456789abcdef";

std::string identifier(Random& random, std::string_view prefix, std::size_t count,
                       std::string_view alphabet = base62)
{
    std::string id(prefix);
    appendAlphabet(id, random, count, alphabet);
    return id;
}

// ---------------------------------------------------------------------------
// What the content is made of

constexpr std::string_view codeLines[] = {
    "#include \"core/agents/UsageIndexer.h\"",
    "#include <vector>",
    "namespace corvane {",
    "}  // namespace corvane",
    "    if (!record)",
    "        return std::nullopt;",
    "    for (const auto& file : files) {",
    "        auto state = states_.find(file.path);",
    "    std::lock_guard lock(mutex_);",
    "    return {lastPathComponent(folder->string()), folder};",
    "    // The fullest copy wins: agents rewrite a message while it streams.",
    "    EXPECT_EQ(records.size(), 4u);",
    "    const std::string path = fmt::format(\"{}/{}.jsonl\", root, id);",
    "    auto text = R\"({\"type\":\"summary\"})\";",
    "export async function fetchSession(id: string): Promise<Session> {",
    "  const response = await fetch(`/api/sessions/${id}`);",
    "  if (!response.ok) throw new Error(`HTTP ${response.status}`);",
    "  return { ...state, loading: false, items: action.payload };",
    "<div className=\"panel\" data-state={state} onClick={() => setOpen(!open)}>",
    "  \"scripts\": { \"build\": \"vite build\", \"test\": \"vitest run\" },",
    "def load_config(path: str) -> dict:",
    "    with open(path, encoding=\"utf-8\") as handle:",
    "        return json.load(handle)",
    "    raise ValueError(f\"unknown backend: {name!r}\")",
    "    df = df[df[\"created_at\"] >= cutoff].sort_values(\"created_at\")",
    "fn main() -> Result<(), Box<dyn Error>> {",
    "    let args: Vec<String> = env::args().collect();",
    "    match parse(&line) { Ok(v) => out.push(v), Err(e) => eprintln!(\"{e}\") }",
    "func (s *Server) ServeHTTP(w http.ResponseWriter, r *http.Request) {",
    "\tif err != nil {\n\t\treturn fmt.Errorf(\"open %s: %w\", path, err)\n\t}",
    "SELECT id, created_at FROM sessions WHERE project = ? ORDER BY created_at DESC;",
    "    path = path.replace(\"\\\\\", \"/\")  # Windows separators",
    "  - run: cmake --build build -j2 && ctest --test-dir build --output-on-failure",
    "# Café menu: naïve résumé → Zürich, 東京, 🚀 launch notes",
    "    let total = usage.input + usage.output + usage.cache_read;",
    "    private val sessions = mutableMapOf<String, Session>()",
    "        .filter { it.timestamp > cutoff }",
    "  background: linear-gradient(90deg, #111 0%, #333 100%);",
    "    assert response.status_code == 200, response.text",
    "    ret = do_work(ctx, &req);\r",
    "",
    "    }",
    "  }",
    "}",
};

constexpr std::string_view sourcePaths[] = {
    "core/agents/UsageIndexer.cpp",
    "core/agents/JSONLTailer.cpp",
    "app/desktop/TrayIcon.cpp",
    "src/components/Panel.tsx",
    "src/components/SessionList.tsx",
    "src/hooks/useUsage.ts",
    "src/api/client.ts",
    "app/api/routes.py",
    "app/models/session.py",
    "tests/test_config.py",
    "internal/server/handler.go",
    "internal/store/sqlite.go",
    "src/lib.rs",
    "src/parser/mod.rs",
    "CMakeLists.txt",
    "package.json",
    "pyproject.toml",
    "README.md",
    "docs/ARCHITECTURE.md",
    ".github/workflows/ci.yml",
    "scripts/release.sh",
    "migrations/0042_add_usage_table.sql",
};

constexpr std::string_view testNames[] = {
    "UsageAggregator.fullest_copy_wins",
    "JSONLTailer.half_a_line_is_held_back",
    "CodexParser.bills_the_difference_between_cumulative_totals",
    "test_config.test_defaults_are_loaded",
    "SessionList renders an empty state",
    "handler_test.TestServeHTTPNotFound",
    "parser::tests::rejects_trailing_garbage",
};

constexpr std::string_view sentences[] = {
    "I'll read the indexer first to see where the tail state is kept.",
    "The failing test expects the fullest copy of each message to win.",
    "Let me check how the session list is rendered before changing the store.",
    "The build fails because the header moved; I'll update the include paths.",
    "That regular expression anchors both ends, so \"a-b\" matches but \" a\" does not.",
    "I found two places that parse the timestamp; they disagree on time zones.",
    "Running the tests again to confirm the fix.",
    "All 214 tests pass now, including the new one for truncated lines.",
    "The change is small: one guard in the loop and a test for the empty case.",
    "Here is what I changed:\n\n1. Moved the cache check before decoding.\n2. Added a test.",
    "The `usage` field is optional in older transcripts, so the parser must not require it.",
    "I'd keep the retry in the client rather than in every caller.",
    "This looks like a race between the watcher and the save; the log shows both at 12:04:31.",
    "Next I'll look at why the CI job times out on the macOS runner.",
    "Die Änderung betrifft nur die Zeitzonen — the rest stays as it is.",
    "The query plan uses the index now (cost 4.2 → 0.3).",
};

constexpr std::string_view prompts[] = {
    "fix the failing build",
    "Make the tray icon follow the desktop theme",
    "why is the usage total off by one day?",
    "add a test for the truncated line case",
    "Refactor the session list to use the new store",
    "Explain what this regex does: ^[a-z0-9._:@/-]{2,80}$",
    "The CI job times out on main, can you look?",
    "rename `fetchSession` to `loadSession` everywhere",
    "write a migration that adds the usage table",
    "review my last commit and tell me what could break",
    "the heatmap shows Sunday twice. find out why",
    "Bump the dependencies and make sure tests still pass",
};

constexpr std::string_view summaries[] = {
    "Tray icon follows the desktop theme",
    "Fix off-by-one day in usage totals",
    "Add truncated-line test for the tailer",
    "Session list refactor onto the new store",
    "CI timeout on main investigated",
    "Usage table migration",
};

constexpr std::string_view commands[] = {
    "cmake --build build -j2",
    "ctest --test-dir build --output-on-failure",
    "git status --short",
    "git diff --stat HEAD~1",
    "npm test -- --watch=false",
    "pytest -q tests/",
    "rg -n \"token_count\" core",
    "go test ./...",
    "cargo build --release",
    "ls -la src",
};

constexpr std::string_view branchNames[] = {
    "feature/usage-store", "fix/build", "refactor/tailer", "spike/heatmap",
    "chore/deps",                            "feature/tray-theme", "bugfix/timezone", "feat/session-list",
};

constexpr std::string_view projectNames[] = {
    "lunebox-site", "api-gateway", "web.app", "infra_tools", "ml-pipeline", "docs",
    "mobile-client",                  "data.etl",    "auth-service", "cli",  "design-system", "billing",
};

// Mostly models with a price; an older one has none and counts as unpriced.
constexpr std::string_view claudeModels[] = {
    "claude-sonnet-4-6", "claude-opus-4-7", "claude-sonnet-4-6", "claude-opus-4-6", "claude-sonnet-4-5-20250929",
};
constexpr std::string_view subagentModel = "claude-haiku-4-5-20251001";
constexpr std::string_view claudeVersions[] = {"2.0.14", "2.0.22", "2.0.28", "2.0.31"};
constexpr std::string_view localCommands[] = {
    "<command-name>/cost</command-name>",
    "<command-name>/compact</command-name>",
    "<command-name>/model</command-name>",
};

constexpr std::string_view codexModels[] = {"gpt-5-codex", "gpt-5", "gpt-5.1-codex", "gpt-5.1-codex-mini"};
constexpr std::string_view codexEfforts[] = {"low", "medium", "high"};
constexpr std::string_view codexVersions[] = {"0.46.0", "0.47.0", "0.50.0", "0.53.0"};
constexpr std::string_view reasoningTitles[] = {
    "**Reading the build log**", "**Planning the fix**", "**Checking the tests**",
    "**Tracing the token_count totals**",           "**Comparing both parsers**",
};

// The pools tool output is copied from, escaped once.
struct EscapedPools {
    std::vector<std::string> code;
    std::vector<std::string> prose;

    static const EscapedPools& shared()
    {
        static const EscapedPools pools = [] {
            EscapedPools made;
            for (std::string_view line : codeLines)
                appendEscaped(made.code.emplace_back(), line);
            for (std::string_view sentence : sentences)
                appendEscaped(made.prose.emplace_back(), sentence);
            return made;
        }();
        return pools;
    }
};

enum class Output { fileListing, buildLog, searchMatches, testRun, pathList, diff };

// Appends about `bytes` bytes of escaped tool output; returns its line count.
std::int64_t appendOutput(std::string& out, Random& random, Output kind, std::int64_t bytes, std::string_view root)
{
    const EscapedPools& pools = EscapedPools::shared();
    const std::size_t end = out.size() + static_cast<std::size_t>(std::max<std::int64_t>(bytes, 1));
    std::int64_t lines = 0;
    std::int64_t number = random.between(1, 400);
    while (out.size() < end) {
        switch (kind) {
        case Output::fileListing: {
            char digits[24];
            auto last = std::to_chars(digits, digits + sizeof digits, number++).ptr;
            out.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, 6 - (last - digits))), ' ');
            out.append(digits, last);
            append(out, "\\t", random.pick(pools.code));
            break;
        }
        case Output::buildLog:
            if (random.chance(0.9))
                append(out, "[", std::min<std::int64_t>(100, number++ % 101), "%] Building CXX object ",
                       random.pick(sourcePaths), ".o");
            else
                append(out, random.pick(sourcePaths), ":", random.between(1, 900), ":", random.between(1, 80),
                       ": warning: unused variable 'state' [-Wunused-variable]");
            break;
        case Output::searchMatches:
            append(out, random.pick(sourcePaths), ":", random.between(1, 2000), ":", random.pick(pools.code));
            break;
        case Output::testRun: {
            const std::string_view name = random.pick(testNames);
            append(out, "[ RUN      ] ", name, "\\n[       OK ] ", name, " (", random.between(0, 900), " ms)");
            break;
        }
        case Output::pathList:
            append(out, root, "/", random.pick(sourcePaths));
            break;
        case Output::diff:
            append(out, "@@ -", number, ",7 +", number, ",8 @@\\n-", random.pick(pools.code), "\\n+",
                   random.pick(pools.code), "\\n ", random.pick(pools.code));
            number += random.between(10, 80);
            break;
        }
        out += "\\n";
        ++lines;
    }
    return lines;
}

void appendProse(std::string& out, Random& random, std::int64_t bytes)
{
    const EscapedPools& pools = EscapedPools::shared();
    const std::size_t end = out.size() + static_cast<std::size_t>(bytes);
    out += random.pick(pools.prose);
    while (out.size() < end) {
        out += random.chance(0.15) ? "\\n\\n" : " ";
        out += random.pick(pools.prose);
    }
}

// ---------------------------------------------------------------------------
// Files

// One transcript being written, through a large buffer so that a gigabyte
// takes few system calls. Every byte and line feed counts into the tree's
// totals as it is appended.
class TranscriptFile {
public:
    static Result<TranscriptFile> create(const fs::path& path, TreeCounts& counts)
    {
        if (auto made = createDirectories(path.parent_path(), 0755); !made)
            return fail(made.error());
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd.valid())
            return fail(Error::fromErrno("create", path.string()));
        ++counts.files;
        return TranscriptFile(path, std::move(fd), counts);
    }

    void line(std::string_view bytes)
    {
        add(bytes);
        add("\n");
    }

    // Complete lines, each with its line feed.
    void lines(std::string_view bytes) { add(bytes); }

    // The last line, its line feed not written yet.
    void unfinished(std::string_view bytes)
    {
        add(bytes);
        ++counts_->unfinishedFiles;
    }

    std::int64_t bytes() const { return bytes_; }
    const fs::path& path() const { return path_; }

    Result<void> close()
    {
        flush();
        fd_.reset();
        if (error_)
            return fail(*error_);
        return {};
    }

private:
    static constexpr std::size_t flushBytes = 8 * MiB;

    TranscriptFile(fs::path path, FileDescriptor fd, TreeCounts& counts)
        : path_(std::move(path)), fd_(std::move(fd)), counts_(&counts)
    {
    }

    void add(std::string_view bytes)
    {
        buffer_.append(bytes);
        bytes_ += static_cast<std::int64_t>(bytes.size());
        counts_->bytes += bytes.size();
        counts_->lines += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        if (buffer_.size() >= flushBytes)
            flush();
    }

    void flush()
    {
        std::string_view pending = buffer_;
        while (!pending.empty() && !error_) {
            ssize_t written = ::write(fd_.get(), pending.data(), pending.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                error_ = Error::fromErrno("write", path_.string());
            else
                pending.remove_prefix(static_cast<std::size_t>(written));
        }
        buffer_.clear();
    }

    fs::path path_;
    FileDescriptor fd_;
    TreeCounts* counts_;
    std::string buffer_;
    std::int64_t bytes_ = 0;
    std::optional<Error> error_;
};

// ---------------------------------------------------------------------------
// The tree

struct Project {
    std::string name;
    std::string path;    // the working folder the agents write as `cwd`
    std::string escapedPath;
    std::string folder;  // its encoded name under "projects"
    std::vector<std::string> branches;
};

// One Claude transcript being written: what every line repeats, the chain
// of line uuids, the clock and the prompt cache the next call reads.
struct ClaudeThread {
    TranscriptFile* file = nullptr;
    const Project* project = nullptr;
    std::string sessionId;
    std::string branch;
    std::string_view version;
    std::optional<std::string> agentId;  // subagent transcripts
    std::string model;
    std::string lastUuid;  // none before the first line
    std::int64_t millis = 0;
    bool oneHourCache = false;
    std::int64_t cached = 0;  // tokens the next call reads from the cache
    std::int64_t fresh = 0;   // tokens added since the last call
};

struct ToolCall {
    enum class Kind { read, bash, grep, glob, edit, write, task } kind;
    std::string id;
    std::string path;  // file or command, by kind
};

// A subagent message as the parent's progress line echoes it.
struct ProgressEcho {
    std::string id;
    std::string text;
    TokenUsage usage;
    std::int64_t millis;
};

// Cumulative Codex counters; cached input is part of input and reasoning
// part of output, as Codex reports them.
struct CodexTotals {
    std::int64_t input = 0;
    std::int64_t cached = 0;
    std::int64_t output = 0;
    std::int64_t reasoning = 0;
};

struct LimitWindow {
    double percent = 0;
    std::int64_t minutes = 0;
    std::int64_t resetsAtMillis = 0;
};

struct CodexThread {
    TranscriptFile* file = nullptr;
    const Project* project = nullptr;
    std::string sessionId;
    std::string_view cliVersion;
    std::string_view model;
    std::string_view effort;
    std::int64_t millis = 0;
    std::int64_t context = 0;
    CodexTotals totals;
    bool absoluteResets = false;  // newer versions write `resets_at`, older `resets_in_seconds`
    bool limitsKnown = true;
    LimitWindow primary;
    LimitWindow secondary;
};

class TreeGenerator {
public:
    TreeGenerator(fs::path home, const TreeOptions& options, WallTime now)
        : home_(std::move(home)),
          options_(options),
          random_(options.seed),
          nowMillis_(static_cast<std::int64_t>(now.unixSeconds() * 1000)),
          hugeTotal_(std::max<std::int64_t>(
              1, std::llround(3.0 * static_cast<double>(options.targetBytes) / static_cast<double>(GiB))))
    {
    }

    Result<TreeCounts> run()
    {
        if (auto made = makeProjects(); !made)
            return fail(made.error());
        const std::int64_t target = static_cast<std::int64_t>(options_.targetBytes);
        const std::int64_t largestSession = std::clamp(target / 24, 64 * KiB, 16 * MiB);
        while (counts_.bytes < options_.targetBytes) {
            const std::int64_t size = random_.logUniform(8 * KiB, largestSession);
            auto written = random_.chance(0.3) ? codexSession(size) : claudeSession(size);
            if (!written)
                return fail(written.error());
        }
        for (const auto& [id, call] : claudeCalls_) {
            counts_.usage[{AgentKind::claudeCode, call.model}] += call.usage;
            ++counts_.billedCalls;
        }
        return counts_;
    }

private:
    struct ClaudeCall {
        std::string model;
        TokenUsage usage;
    };

    // ---- shared ----

    Result<void> makeProjects()
    {
        if (auto made = createDirectories(home_, 0755); !made)
            return made;
        std::error_code error;
        const fs::path home = fs::canonical(home_, error);
        if (error)
            return fail(Error::make(Error::Code::Io, "canonical", home_.string()));
        for (int i = 0; i < options_.projects; ++i) {
            Project project;
            project.name = std::string(projectNames[static_cast<std::size_t>(i) % std::size(projectNames)]);
            if (i >= static_cast<int>(std::size(projectNames)))
                project.name += fmt::format("-{}", i / std::size(projectNames) + 1);
            if (i == 0) {
                // The one project whose encoded folder name resolves on this machine.
                const fs::path folder = home / "work" / project.name;
                if (auto made = createDirectories(folder, 0755); !made)
                    return made;
                project.path = folder.string();
            } else {
                project.path = "/home/dev/work/" + project.name;
            }
            project.folder = TranscriptProjectResolver::encoded(project.path);
            appendEscaped(project.escapedPath, project.path);
            project.branches = {"main", std::string(random_.pick(branchNames)), std::string(random_.pick(branchNames))};
            projects_.push_back(std::move(project));
        }
        return {};
    }

    // Earlier projects are busier, as on a real machine.
    Project& pickProject()
    {
        double total = 0;
        for (std::size_t i = 0; i < projects_.size(); ++i)
            total += 1.0 / static_cast<double>(i + 1);
        double point = random_.unit() * total;
        for (std::size_t i = 0; i < projects_.size(); ++i) {
            point -= 1.0 / static_cast<double>(i + 1);
            if (point < 0)
                return projects_[i];
        }
        return projects_.back();
    }

    // A start within the window, more often in working hours, early enough
    // that the session ends before "now".
    std::int64_t sessionStart()
    {
        static constexpr std::array<int, 24> hourWeights{1, 1, 0, 0, 0, 0, 1, 2, 4, 6, 7, 7,
                                                         5, 6, 7, 7, 6, 5, 4, 4, 4, 3, 2, 1};
        static constexpr int totalWeight = std::accumulate(hourWeights.begin(), hourWeights.end(), 0);
        const std::int64_t earliest = nowMillis_ - options_.days * dayMillis;
        const std::int64_t latest = nowMillis_ - 12 * hourMillis;
        const std::int64_t firstDay = earliest - earliest % dayMillis;
        for (int attempt = 0; attempt < 8; ++attempt) {
            std::int64_t point = random_.between(0, totalWeight - 1);
            int hour = 0;
            while (point >= hourWeights[static_cast<std::size_t>(hour)])
                point -= hourWeights[static_cast<std::size_t>(hour++)];
            const std::int64_t start = firstDay + random_.between(0, options_.days) * dayMillis + hour * hourMillis
                                       + random_.between(0, hourMillis - 1);
            if (start >= earliest && start <= latest)
                return start;
        }
        return random_.between(earliest, latest);
    }

    void advance(std::int64_t& millis, std::int64_t low, std::int64_t high)
    {
        millis = std::min(millis + random_.between(low, high), nowMillis_ - 1000);
    }

    bool treeFull() const { return counts_.bytes >= options_.targetBytes; }

    // A few tool outputs per gigabyte run to megabytes, spread through the
    // tree; every other one is longer than one read of the indexer.
    std::int64_t outputSize(std::int64_t usual)
    {
        const auto due = static_cast<std::uint64_t>(
            static_cast<double>(options_.targetBytes) * static_cast<double>(counts_.hugeLines + 1)
            / static_cast<double>(hugeTotal_ + 1));
        if (static_cast<std::int64_t>(counts_.hugeLines) >= hugeTotal_ || counts_.bytes < due)
            return usual;
        const bool overOneRead = counts_.hugeLines % 2 == 0;
        ++counts_.hugeLines;
        if (overOneRead) {
            ++counts_.linesOverOneRead;
            return random_.between(oneRead + MiB / 2, 9 * MiB);
        }
        return random_.between(3 * MiB / 2, oneRead - MiB / 2);
    }

    // Writes a complete line. Once in a thousand lines the writer "crashed"
    // before it and left a torn copy or a run of NUL bytes.
    void emit(TranscriptFile& file, std::string_view line)
    {
        if (line.size() < 64 * KiB && ++emittedLines_ % 1000 == 300) {
            if (counts_.malformedLines % 5 != 4) {
                const auto cut = random_.between(1, static_cast<std::int64_t>(line.size()) - 1);
                file.line(line.substr(0, static_cast<std::size_t>(cut)));
            } else {
                file.line(std::string(static_cast<std::size_t>(random_.between(8, 300)), '\0'));
            }
            ++counts_.malformedLines;
        }
        file.line(line);
    }

    // A session still being written ends in a line without its line feed:
    // half of them a complete object, half torn mid-write.
    void leaveUnfinished(TranscriptFile& file, std::string_view line)
    {
        if (counts_.unfinishedFiles % 2 == 0)
            file.unfinished(line);
        else
            file.unfinished(line.substr(0, line.size() / 2));
    }

    // The rare cases come on a schedule rather than by chance, so that even
    // a small tree holds each of them.
    static bool isLive(std::uint64_t sessionNumber) { return sessionNumber % 40 == 3; }
    static bool isResumed(std::uint64_t sessionNumber) { return sessionNumber % 12 == 5; }
    static bool startsSubagent(std::uint64_t toolCallNumber) { return toolCallNumber % 250 == 20; }

    // ---- Claude Code ----

    void billClaude(const std::string& id, const std::string& model, const TokenUsage& usage)
    {
        auto [found, added] = claudeCalls_.try_emplace(id, ClaudeCall{model, usage});
        if (!added && usage.total() > found->second.usage.total())
            found->second.usage = usage;
    }

    static void envelope(std::string& out, const ClaudeThread& thread)
    {
        out += R"({"parentUuid":)";
        if (thread.lastUuid.empty())
            out += "null";
        else
            append(out, Quoted{thread.lastUuid});
        append(out, R"(,"isSidechain":)", thread.agentId ? "true" : "false", R"(,"userType":"external","cwd":)",
               Quoted{thread.project->path}, R"(,"sessionId":)", Quoted{thread.sessionId}, R"(,"version":)",
               Quoted{thread.version}, R"(,"gitBranch":)", Quoted{thread.branch});
        if (thread.agentId)
            append(out, R"(,"agentId":)", Quoted{*thread.agentId});
    }

    // Ends a line with its own uuid, which the next line names as its parent.
    void closeLine(std::string& out, ClaudeThread& thread)
    {
        std::string uuid = uuid4(random_);
        append(out, R"(,"uuid":)", Quoted{uuid}, R"(,"timestamp":)", Stamp{thread.millis}, "}");
        thread.lastUuid = std::move(uuid);
    }

    static void appendUsage(std::string& out, const TokenUsage& usage)
    {
        append(out, R"({"input_tokens":)", usage.input, R"(,"cache_creation_input_tokens":)",
               usage.cacheWrite5m + usage.cacheWrite1h, R"(,"cache_read_input_tokens":)", usage.cacheRead,
               R"(,"cache_creation":{"ephemeral_5m_input_tokens":)", usage.cacheWrite5m,
               R"(,"ephemeral_1h_input_tokens":)", usage.cacheWrite1h, R"(},"output_tokens":)", usage.output,
               R"(,"service_tier":"standard"})");
    }

    void assistantLine(std::string& out, ClaudeThread& thread, std::string_view id, std::string_view requestId,
                       std::string_view model, std::string_view block, const TokenUsage& usage)
    {
        envelope(out, thread);
        append(out, R"(,"message":{"id":)", Quoted{id}, R"(,"type":"message","role":"assistant","model":)",
               Quoted{model}, R"(,"content":[)", block, R"(],"stop_reason":null,"stop_sequence":null,"usage":)");
        appendUsage(out, usage);
        append(out, R"(},"requestId":)", Quoted{requestId}, R"(,"type":"assistant")");
        closeLine(out, thread);
    }

    // The call's tokens: it reads the cached conversation and writes what
    // was added since the last call; now and then the cache has expired.
    TokenUsage callUsage(ClaudeThread& thread, std::int64_t outputTokens)
    {
        TokenUsage usage;
        usage.input = random_.chance(0.05) ? random_.between(200, 4000) : random_.between(1, 12);
        std::int64_t written = thread.fresh;
        if (thread.cached == 0 || random_.chance(0.04))
            written += std::exchange(thread.cached, 0);
        else
            usage.cacheRead = thread.cached;
        (thread.oneHourCache ? usage.cacheWrite1h : usage.cacheWrite5m) = written;
        usage.output = outputTokens;
        thread.cached += written + outputTokens;
        thread.fresh = 0;
        if (thread.cached > 160'000)  // compacted
            thread.cached = random_.between(15'000, 30'000);
        return usage;
    }

    std::string toolUseBlock(ClaudeThread& thread, ToolCall& call)
    {
        const std::string& root = thread.project->path;
        const std::string& escapedRoot = thread.project->escapedPath;
        std::string block;
        append(block, R"({"type":"tool_use","id":)", Quoted{call.id}, R"(,"name":")");
        switch (call.kind) {
        case ToolCall::Kind::read:
            call.path = root + "/" + std::string(random_.pick(sourcePaths));
            append(block, R"(Read","input":{"file_path":)", Quoted{call.path}, "}");
            break;
        case ToolCall::Kind::bash:
            call.path = std::string(random_.pick(commands));
            append(block, R"(Bash","input":{"command":)", Quoted{call.path}, R"(,"description":"Run )",
                   call.path.substr(0, call.path.find(' ')), "\"}");
            break;
        case ToolCall::Kind::grep:
            append(block, R"(Grep","input":{"pattern":)", Quoted{random_.pick(testNames)}, R"(,"path":)",
                   Quoted{root}, R"(,"output_mode":"content","-n":true})");
            break;
        case ToolCall::Kind::glob:
            append(block, R"(Glob","input":{"pattern":"**/*)", random_.pick(std::array{".tsx", ".py", ".cpp", ".go"}),
                   "\"}");
            break;
        case ToolCall::Kind::edit: {
            call.path = root + "/" + std::string(random_.pick(sourcePaths));
            append(block, R"(Edit","input":{"file_path":)", Quoted{call.path}, R"(,"old_string":")");
            appendOutput(block, random_, Output::fileListing, random_.between(60, 800), escapedRoot);
            block += R"(","new_string":")";
            appendOutput(block, random_, Output::fileListing, random_.between(60, 1200), escapedRoot);
            block += "\"}";
            break;
        }
        case ToolCall::Kind::write:
            call.path = root + "/" + std::string(random_.pick(sourcePaths));
            append(block, R"(Write","input":{"file_path":)", Quoted{call.path}, R"(,"content":")");
            appendOutput(block, random_, Output::fileListing, random_.logUniform(300, 9000), escapedRoot);
            block += "\"}";
            break;
        case ToolCall::Kind::task:
            call.path = std::string(random_.pick(prompts));
            append(block, R"(Task","input":{"description":)", Quoted{call.path}, R"(,"prompt":")");
            appendProse(block, random_, random_.between(200, 1200));
            block += R"(","subagent_type":"general-purpose"})";
            break;
        }
        block += '}';
        return block;
    }

    // One model call: a line per content block, each repeating the message
    // id and usage, the output count provisional until the last block. With
    // `holdBack` the last block is the unfinished end of the file.
    void message(ClaudeThread& thread, const std::vector<std::string>& blocks, bool holdBack = false,
                 std::vector<ProgressEcho>* echoes = nullptr)
    {
        const std::string id = identifier(random_, "msg_01", 22);
        const std::string requestId = identifier(random_, "req_011C", 20);
        std::int64_t outputTokens = random_.between(5, 60);
        for (const std::string& block : blocks)
            outputTokens += static_cast<std::int64_t>(block.size() / 4);
        const TokenUsage usage = callUsage(thread, outputTokens);
        TokenUsage early = usage;
        early.output = random_.between(1, 4);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const bool last = i + 1 == blocks.size();
            advance(thread.millis, 300, 2500);
            line_.clear();
            assistantLine(line_, thread, id, requestId, thread.model, blocks[i], last ? usage : early);
            if (last && holdBack) {
                leaveUnfinished(*thread.file, line_);
                return;
            }
            emit(*thread.file, line_);
            billClaude(id, thread.model, last ? usage : early);
        }
        if (echoes) {
            std::string text;
            appendProse(text, random_, random_.between(20, 200));
            echoes->push_back({id, std::move(text), usage, thread.millis});
        }
    }

    std::string textBlock(std::int64_t bytes)
    {
        std::string block = R"({"type":"text","text":")";
        appendProse(block, random_, bytes);
        block += "\"}";
        return block;
    }

    std::string thinkingBlock()
    {
        std::string block = R"({"type":"thinking","thinking":")";
        appendProse(block, random_, random_.logUniform(200, 4000));
        block += R"(","signature":")";
        appendAlphabet(block, random_, static_cast<std::size_t>(random_.between(200, 1200)), base64);
        block += "\"}";
        return block;
    }

    void userPrompt(ClaudeThread& thread, std::string_view text)
    {
        advance(thread.millis, 5'000, 600'000);
        if (!thread.agentId && random_.chance(0.5)) {
            line_.clear();
            append(line_, R"({"type":"file-history-snapshot","messageId":)", Quoted{uuid4(random_)},
                   R"(,"snapshot":{"trackedFileBackups":{},"timestamp":)", Stamp{thread.millis},
                   R"(},"isSnapshotUpdate":false})");
            emit(*thread.file, line_);
        }
        line_.clear();
        envelope(line_, thread);
        append(line_, R"(,"type":"user","message":{"role":"user","content":)", Quoted{text}, "}");
        closeLine(line_, thread);
        emit(*thread.file, line_);
        thread.fresh += static_cast<std::int64_t>(text.size() / 4) + 8;
    }

    // An agent that printed a transcript: lines of the same shape, inside a
    // string, that bill nothing.
    void appendTranscriptExcerpt(std::string& out, const ClaudeThread& thread)
    {
        ClaudeThread other = thread;
        other.sessionId = uuid4(random_);
        std::string excerpt;
        for (int i = 0; i < 2; ++i) {
            TokenUsage usage{random_.between(1, 9), random_.between(20, 900), random_.between(0, 4000), 0,
                             random_.between(1000, 90000), 0};
            assistantLine(excerpt, other, identifier(random_, "msg_01", 22), identifier(random_, "req_011C", 20),
                          other.model, textBlock(random_.between(40, 300)), usage);
            excerpt += '\n';
        }
        appendEscaped(out, excerpt);
    }

    Result<void> toolResult(ClaudeThread& thread, const ToolCall& call)
    {
        const std::string& root = thread.project->escapedPath;
        std::string subagentText;
        std::vector<ProgressEcho> echoes;
        if (call.kind == ToolCall::Kind::task) {
            auto ran = subagent(thread, call, subagentText, echoes);
            if (!ran)
                return ran;
            for (const ProgressEcho& echo : echoes) {
                line_.clear();
                envelope(line_, thread);
                append(line_,
                       R"(,"type":"progress","data":{"type":"agent_progress",)"
                       R"("message":{"type":"assistant","message":{"id":)",
                       Quoted{echo.id}, R"(,"model":)", Quoted{subagentModel},
                       R"(,"role":"assistant","content":[{"type":"text","text":)", Quoted{echo.text},
                       R"(}],"usage":)");
                appendUsage(line_, echo.usage);
                append(line_, R"(}}},"toolUseID":)", Quoted{call.id});
                thread.millis = std::max(thread.millis, echo.millis);
                closeLine(line_, thread);
                emit(*thread.file, line_);
            }
        }
        advance(thread.millis, 100, 8'000);
        line_.clear();
        envelope(line_, thread);
        append(line_, R"(,"type":"user","message":{"role":"user","content":[{"tool_use_id":)", Quoted{call.id},
               R"(,"type":"tool_result","content":")");
        const std::size_t start = line_.size();
        std::int64_t lines = 0;
        switch (call.kind) {
        case ToolCall::Kind::read:
            lines = appendOutput(line_, random_, Output::fileListing, outputSize(random_.logUniform(400, 40'000)),
                                 root);
            break;
        case ToolCall::Kind::bash:
            if (random_.chance(0.01))
                appendTranscriptExcerpt(line_, thread);
            else
                appendOutput(
                    line_, random_,
                    random_.pick(std::array{Output::buildLog, Output::testRun, Output::diff, Output::pathList}),
                    outputSize(random_.logUniform(80, 24'000)), root);
            break;
        case ToolCall::Kind::grep:
            appendOutput(line_, random_, Output::searchMatches, random_.logUniform(150, 9'000), root);
            break;
        case ToolCall::Kind::glob:
            appendOutput(line_, random_, Output::pathList, random_.logUniform(100, 3'000), root);
            break;
        case ToolCall::Kind::edit:
            line_ += "The file ";
            appendEscaped(line_, call.path);
            line_ += " has been updated. Here's the result of running `cat -n` on a snippet of the edited file:\\n";
            appendOutput(line_, random_, Output::fileListing, random_.between(300, 2'500), root);
            break;
        case ToolCall::Kind::write:
            line_ += "File created successfully at: ";
            appendEscaped(line_, call.path);
            break;
        case ToolCall::Kind::task:
            appendEscaped(line_, subagentText);
            break;
        }
        thread.fresh += static_cast<std::int64_t>((line_.size() - start) / 4);
        line_ += R"("}]})";
        if (call.kind == ToolCall::Kind::read)
            append(line_, R"(,"toolUseResult":{"type":"text","file":{"filePath":)", Quoted{call.path},
                   R"(,"numLines":)", lines, "}}");
        closeLine(line_, thread);
        emit(*thread.file, line_);
        return {};
    }

    // The model works on one prompt: calls with tools, each followed by the
    // tools' results, then a closing text.
    Result<void> exchange(ClaudeThread& thread, std::vector<ProgressEcho>* echoes)
    {
        const std::int64_t calls = random_.between(1, thread.agentId ? 5 : 8);
        for (std::int64_t call = 0; call < calls; ++call) {
            const bool last = call + 1 == calls;
            std::vector<std::string> blocks;
            if (random_.chance(0.35))
                blocks.push_back(thinkingBlock());
            if (last || random_.chance(0.7))
                blocks.push_back(textBlock(random_.logUniform(60, last ? 3000 : 600)));
            std::vector<ToolCall> tools;
            const std::int64_t toolCount = last ? 0 : random_.between(1, 3);
            for (std::int64_t i = 0; i < toolCount; ++i) {
                auto kind = random_.pick(std::array{ToolCall::Kind::read, ToolCall::Kind::read, ToolCall::Kind::bash,
                                                    ToolCall::Kind::bash, ToolCall::Kind::grep, ToolCall::Kind::glob,
                                                    ToolCall::Kind::edit, ToolCall::Kind::write});
                if (!thread.agentId && startsSubagent(parentToolCalls_++))
                    kind = ToolCall::Kind::task;
                ToolCall& tool = tools.emplace_back(ToolCall{kind, identifier(random_, "toolu_01", 22), {}});
                blocks.push_back(toolUseBlock(thread, tool));
            }
            message(thread, blocks, false, echoes);
            for (const ToolCall& tool : tools) {
                if (auto done = toolResult(thread, tool); !done)
                    return done;
            }
        }
        return {};
    }

    // A subagent runs in its own transcript under the parent's session; the
    // parent echoes each of its messages in a progress line.
    Result<void> subagent(const ClaudeThread& parent, const ToolCall& call, std::string& finalText,
                          std::vector<ProgressEcho>& echoes)
    {
        ClaudeThread thread = parent;
        thread.agentId = identifier(random_, "", 8, hexDigits);
        thread.model = std::string(subagentModel);
        thread.lastUuid.clear();
        thread.cached = 0;
        thread.fresh = random_.between(3'000, 9'000);
        auto file = TranscriptFile::create(home_ / "claude/projects" / parent.project->folder / parent.sessionId
                                               / "subagents" / fmt::format("agent-{}.jsonl", *thread.agentId),
                                           counts_);
        if (!file)
            return fail(file.error());
        ++counts_.subagentFiles;
        thread.file = &*file;
        userPrompt(thread, call.path);
        if (auto done = exchange(thread, &echoes); !done)
            return done;
        finalText =
            fmt::format("Done. I looked at {} files and summarised the findings above.", random_.between(2, 40));
        return file->close();
    }

    void replay(TranscriptFile& file, const fs::path& earlier)
    {
        std::ifstream in(earlier, std::ios::binary);
        std::string bytes(static_cast<std::size_t>(oneRead), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        bytes.resize(bytes.rfind('\n') + 1);  // whole lines only; npos + 1 is 0
        file.lines(bytes);
    }

    Result<void> claudeSession(std::int64_t size)
    {
        const std::uint64_t number = claudeSessionCount_++;
        // A resumed session continues an earlier one of its project.
        const std::optional<std::pair<Project*, fs::path>> resumes =
            number > 0 && isResumed(number) ? std::optional(random_.pick(claudeSessions_)) : std::nullopt;
        Project& project = resumes ? *resumes->first : pickProject();
        ClaudeThread thread;
        thread.project = &project;
        thread.sessionId = uuid4(random_);
        thread.branch = random_.pick(project.branches);
        thread.version = random_.pick(claudeVersions);
        thread.model = std::string(random_.pick(claudeModels));
        thread.millis = sessionStart();
        thread.oneHourCache = random_.chance(0.3);
        thread.fresh = random_.between(9'000, 20'000);  // system prompt and tools

        auto file = TranscriptFile::create(
            home_ / "claude/projects" / project.folder / (thread.sessionId + ".jsonl"), counts_);
        if (!file)
            return fail(file.error());
        thread.file = &*file;

        if (resumes || random_.chance(0.3)) {
            line_.clear();
            append(line_, R"({"type":"summary","summary":)", Quoted{random_.pick(summaries)}, R"(,"leafUuid":)",
                   Quoted{uuid4(random_)}, "}");
            emit(*file, line_);
        }
        if (resumes) {
            replay(*file, resumes->second);
            ++counts_.resumedSessions;
        }
        do {
            userPrompt(thread, random_.pick(prompts));
            if (auto done = exchange(thread, nullptr); !done)
                return done;
            if (random_.chance(0.08)) {
                advance(thread.millis, 2'000, 60'000);
                line_.clear();
                envelope(line_, thread);
                append(line_, R"(,"type":"system","subtype":"local_command","content":)",
                       Quoted{random_.pick(localCommands)}, R"(,"level":"info")");
                closeLine(line_, thread);
                emit(*file, line_);
            }
            if (random_.chance(0.02))
                syntheticError(thread);
        } while (file->bytes() < size && !treeFull());

        if (isLive(number)) {
            userPrompt(thread, random_.pick(prompts));
            std::vector<std::string> blocks;
            if (random_.chance(0.5))
                blocks.push_back(thinkingBlock());
            blocks.push_back(textBlock(random_.between(60, 600)));
            message(thread, blocks, true);
        }
        claudeSessions_.emplace_back(&project, file->path());
        return file->close();
    }

    // An aborted request: the agent writes a message of no tokens.
    void syntheticError(ClaudeThread& thread)
    {
        advance(thread.millis, 1'000, 30'000);
        line_.clear();
        envelope(line_, thread);
        append(line_, R"(,"message":{"id":)", Quoted{uuid4(random_)},
               R"(,"type":"message","role":"assistant","model":"<synthetic>",)"
               R"("content":[{"type":"text","text":"API Error: Request was aborted."}],)"
               R"("stop_reason":null,"stop_sequence":null,"usage":{"input_tokens":0,"output_tokens":0,)"
               R"("cache_creation_input_tokens":0,"cache_read_input_tokens":0,)"
               R"("server_tool_use":{"web_search_requests":0},"service_tier":null,)"
               R"("cache_creation":{"ephemeral_1h_input_tokens":0,"ephemeral_5m_input_tokens":0}}},"requestId":)",
               Quoted{identifier(random_, "req_011C", 20)}, R"(,"type":"assistant")");
        closeLine(line_, thread);
        emit(*thread.file, line_);
    }

    // ---- Codex ----

    void sessionMeta(CodexThread& thread)
    {
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis}, R"(,"type":"session_meta","payload":{"id":)",
               Quoted{thread.sessionId}, R"(,"timestamp":)", Stamp{thread.millis}, R"(,"cwd":)",
               Quoted{thread.project->path}, R"(,"originator":"codex_cli_rs","cli_version":)",
               Quoted{thread.cliVersion},
               R"(,"instructions":null,"source":"cli","model_provider":"openai","git":{"commit_hash":)",
               Quoted{identifier(random_, "", 40, hexDigits)}, R"(,"branch":)",
               Quoted{random_.pick(thread.project->branches)}, R"(,"repository_url":"git@example.com:dev/)",
               thread.project->name, R"(.git"}}})");
        emit(*thread.file, line_);
        advance(thread.millis, 1, 20);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"response_item","payload":{"type":"message","role":"user",)"
               R"("content":[{"type":"input_text","text":"<environment_context>\n  <cwd>)",
               thread.project->escapedPath, R"(</cwd>\n</environment_context>"}]}})");
        emit(*thread.file, line_);
    }

    void moveWindow(LimitWindow& window, double step, std::int64_t millis)
    {
        window.percent += random_.unit() * step;
        if (window.percent > 100 || millis >= window.resetsAtMillis) {
            window.percent = random_.unit() * 5;
            window.resetsAtMillis = millis + window.minutes * 60'000;
        }
    }

    static void appendWindow(std::string& out, const CodexThread& thread, const LimitWindow& window)
    {
        append(out, R"({"used_percent":)", fmt::format("{:.1f}", window.percent), R"(,"window_minutes":)",
               window.minutes);
        if (thread.absoluteResets)
            append(out, R"(,"resets_at":)", window.resetsAtMillis / 1000, "}");
        else
            append(out, R"(,"resets_in_seconds":)", (window.resetsAtMillis - thread.millis) / 1000, "}");
    }

    // The plan's use moves on with every call; now and then a reading
    // comes without it.
    void moveLimits(CodexThread& thread)
    {
        moveWindow(thread.primary, 1.2, thread.millis);
        moveWindow(thread.secondary, 0.15, thread.millis);
        thread.limitsKnown = !random_.chance(0.03);
    }

    static void appendRateLimits(std::string& out, const CodexThread& thread)
    {
        if (!thread.limitsKnown) {
            out += "null";
            return;
        }
        out += R"({"primary":)";
        appendWindow(out, thread, thread.primary);
        out += R"(,"secondary":)";
        appendWindow(out, thread, thread.secondary);
        out += '}';
    }

    static void appendTotals(std::string& out, const CodexTotals& totals)
    {
        append(out, R"({"input_tokens":)", totals.input, R"(,"cached_input_tokens":)", totals.cached,
               R"(,"output_tokens":)", totals.output, R"(,"reasoning_output_tokens":)", totals.reasoning,
               R"(,"total_tokens":)", totals.input + totals.output, "}");
    }

    static void tokenCountLine(std::string& out, const CodexThread& thread, const CodexTotals& delta)
    {
        append(out, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":)");
        appendTotals(out, thread.totals);
        out += R"(,"last_token_usage":)";
        appendTotals(out, delta);
        out += R"(,"model_context_window":272000},"rate_limits":)";
        appendRateLimits(out, thread);
        out += "}}";
    }

    // One model call's tokens: the whole conversation again as input, most
    // of it from the cache after the first call.
    CodexTotals codexCall(CodexThread& thread)
    {
        CodexTotals delta;
        delta.input = thread.context + random_.between(400, 4'000);
        delta.cached = thread.context == 0 ? 0 : thread.context * random_.between(85, 99) / 100;
        delta.output = random_.logUniform(40, 3'000);
        delta.reasoning = delta.output * random_.between(0, 80) / 100;
        thread.context = std::min<std::int64_t>(delta.input + delta.output, 200'000);
        thread.totals.input += delta.input;
        thread.totals.cached += delta.cached;
        thread.totals.output += delta.output;
        thread.totals.reasoning += delta.reasoning;
        return delta;
    }

    void codexTurn(CodexThread& thread, bool first)
    {
        if (!first && random_.chance(0.12))
            thread.model = random_.pick(codexModels);
        advance(thread.millis, 5'000, 600'000);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis}, R"(,"type":"turn_context","payload":{"cwd":)",
               Quoted{thread.project->path},
               R"(,"approval_policy":"on-request",)"
               R"("sandbox_policy":{"mode":"workspace-write","network_access":false},"model":)",
               Quoted{thread.model}, R"(,"effort":)", Quoted{thread.effort}, R"(,"summary":"auto"}})");
        emit(*thread.file, line_);

        const std::string_view prompt = random_.pick(prompts);
        advance(thread.millis, 1, 30);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"event_msg","payload":{"type":"user_message","message":)", Quoted{prompt},
               R"(,"images":[]}})");
        emit(*thread.file, line_);
        thread.context += static_cast<std::int64_t>(prompt.size() / 4);
        if (first) {
            advance(thread.millis, 200, 900);
            moveLimits(thread);
            line_.clear();
            append(line_, R"({"timestamp":)", Stamp{thread.millis},
                   R"(,"type":"event_msg","payload":{"type":"token_count","info":null,"rate_limits":)");
            appendRateLimits(line_, thread);
            line_ += "}}";
            emit(*thread.file, line_);
        }

        const std::int64_t calls = random_.between(1, 6);
        for (std::int64_t call = 0; call < calls; ++call) {
            advance(thread.millis, 1'000, 20'000);
            line_.clear();
            append(line_, R"({"timestamp":)", Stamp{thread.millis},
                   R"(,"type":"response_item","payload":{"type":"reasoning","summary":[{"type":"summary_text","text":)",
                   Quoted{random_.pick(reasoningTitles)}, R"(}],"content":null,"encrypted_content":"gAAAAAB)");
            appendAlphabet(line_, random_, static_cast<std::size_t>(random_.logUniform(600, 6'000)), base64);
            line_ += "\"}}";
            emit(*thread.file, line_);

            if (call + 1 < calls)
                functionCall(thread);
            else
                agentMessage(thread);

            const CodexTotals delta = codexCall(thread);
            advance(thread.millis, 20, 400);
            moveLimits(thread);
            line_.clear();
            tokenCountLine(line_, thread, delta);
            emit(*thread.file, line_);
            // Cached input is part of input, reasoning part of output.
            counts_.usage[{AgentKind::codex, std::string(thread.model)}] += TokenUsage{
                delta.input - delta.cached, delta.output - delta.reasoning, 0, 0, delta.cached, delta.reasoning};
            ++counts_.billedCalls;
            if (random_.chance(0.7)) {
                // Codex often writes the same reading twice in a row.
                ++thread.millis;
                line_.clear();
                tokenCountLine(line_, thread, delta);
                emit(*thread.file, line_);
            }
        }
    }

    void functionCall(CodexThread& thread)
    {
        const std::string callId = identifier(random_, "call_", 24);
        const std::string_view command = random_.pick(commands);
        std::string arguments;
        append(arguments, R"({"command":["bash","-lc",)", Quoted{command}, R"(],"workdir":)",
               Quoted{thread.project->path}, R"(,"timeout_ms":120000})");
        advance(thread.millis, 500, 8'000);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"response_item","payload":{"type":"function_call","name":"shell","arguments":)",
               Quoted{arguments}, R"(,"call_id":)", Quoted{callId}, "}}");
        emit(*thread.file, line_);

        advance(thread.millis, 100, 30'000);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"response_item","payload":{"type":"function_call_output","call_id":)", Quoted{callId},
               R"(,"output":"Exit code: 0\nWall time: )", random_.between(0, 40), ".", random_.between(0, 9),
               R"( seconds\nOutput:\n)");
        const std::size_t start = line_.size();
        appendOutput(line_,
                     random_,
                     random_.pick(std::array{Output::fileListing, Output::searchMatches, Output::buildLog,
                                             Output::testRun, Output::diff}),
                     outputSize(random_.logUniform(100, 30'000)), thread.project->escapedPath);
        thread.context += static_cast<std::int64_t>((line_.size() - start) / 4);
        line_ += "\"}}";
        emit(*thread.file, line_);
    }

    void agentMessage(CodexThread& thread)
    {
        advance(thread.millis, 500, 8'000);
        line_.clear();
        append(line_, R"({"timestamp":)", Stamp{thread.millis},
               R"(,"type":"event_msg","payload":{"type":"agent_message","message":")");
        if (random_.chance(0.1))
            line_ += "The totals come from the token_count events; ";
        appendProse(line_, random_, random_.logUniform(80, 2'500));
        line_ += "\"}}";
        emit(*thread.file, line_);
    }

    Result<void> codexSession(std::int64_t size)
    {
        CodexThread thread;
        thread.project = &pickProject();
        thread.millis = sessionStart();
        thread.sessionId = uuid7(random_, thread.millis);
        thread.cliVersion = random_.pick(codexVersions);
        thread.model = random_.pick(codexModels);
        thread.effort = random_.pick(codexEfforts);
        thread.absoluteResets = random_.chance(0.5);
        thread.primary = {random_.unit() * 60, 300, thread.millis + random_.between(1, 300) * 60'000};
        thread.secondary = {random_.unit() * 80, 10'080, thread.millis + random_.between(1, 10'080) * 60'000};
        const bool live = isLive(codexSessionCount_++);

        const CivilTime t = civil(thread.millis);
        auto file = TranscriptFile::create(
            home_ / "codex/sessions" / fmt::format("{:04}/{:02}/{:02}", t.year, t.month, t.day)
                / fmt::format("rollout-{:04}-{:02}-{:02}T{:02}-{:02}-{:02}-{}.jsonl", t.year, t.month, t.day, t.hour,
                              t.minute, t.second, thread.sessionId),
            counts_);
        if (!file)
            return fail(file.error());
        thread.file = &*file;
        sessionMeta(thread);
        bool first = true;
        do {
            codexTurn(thread, first);
            first = false;
            // Now and then the same file goes on with a new session whose
            // counters start again from zero, below the old totals.
            if (thread.totals.input > 400'000 && random_.chance(0.03)) {
                thread.project = &pickProject();
                advance(thread.millis, 60'000, 900'000);
                thread.sessionId = uuid7(random_, thread.millis);
                thread.totals = {};
                thread.context = 0;
                sessionMeta(thread);
                first = true;
            }
        } while (file->bytes() < size && !treeFull());

        if (live) {
            const CodexTotals delta = codexCall(thread);
            advance(thread.millis, 1'000, 20'000);
            moveLimits(thread);
            line_.clear();
            tokenCountLine(line_, thread, delta);
            leaveUnfinished(*file, line_);
        }
        return file->close();
    }

    fs::path home_;
    TreeOptions options_;
    Random random_;
    std::int64_t nowMillis_;
    std::int64_t hugeTotal_;
    std::vector<Project> projects_;
    TreeCounts counts_;
    std::unordered_map<std::string, ClaudeCall> claudeCalls_;
    std::vector<std::pair<Project*, fs::path>> claudeSessions_;  // written so far, for resuming
    std::uint64_t claudeSessionCount_ = 0;
    std::uint64_t codexSessionCount_ = 0;
    std::uint64_t parentToolCalls_ = 0;
    std::uint64_t emittedLines_ = 0;
    std::string line_;  // the line being assembled, reused
};

}  // namespace

Result<TreeCounts> generateTranscriptTree(const fs::path& home, const TreeOptions& options)
{
    if (options.targetBytes == 0 || options.projects < 1 || options.days < 1)
        return fail(Error::make(Error::Code::Invalid, "generate transcripts",
                                "needs a size, at least one project and at least one day"));
    const WallTime now = options.now.value_or(SystemClock().now());
    return TreeGenerator(home, options, now).run();
}

}  // namespace corvane::bench
