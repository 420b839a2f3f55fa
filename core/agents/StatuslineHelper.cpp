#include "core/agents/StatuslineHelper.h"

#include <algorithm>
#include <optional>

#include "core/agents/ClaudeAccounts.h"
#include "core/agents/ClaudeStatusline.h"
#include "core/agents/CodexNotifyHelper.h"
#include "core/base/Files.h"
#include "core/base/ProcessRunner.h"
#include "core/notch/KnownPaths.h"

namespace corvane::StatuslineHelper {

namespace fs = std::filesystem;

namespace {

// Claude Code and Codex run the helper, never a test harness: a harness
// keeps its data in a folder of its own process, which the helper could
// not know.
KnownPaths appPaths(const Environment& environment, const fs::path& home)
{
    KnownPaths::Inputs inputs;
    inputs.applicationID = KnownPaths::compiledApplicationID();
    inputs.environment = environment;
    inputs.environment.erase(std::string(KnownPaths::harnessVariable));
    inputs.home = home;
    return KnownPaths::resolve(inputs);
}

// An exit code like the shell's for a command that could not run.
constexpr std::int32_t couldNotRun = 127;

std::optional<ClaudeAccounts::Legacy> readLegacy(const fs::path& folder, WallTime now)
{
    corvane::Result<std::string> bytes = readFileCapped(folder / ClaudeAccounts::legacyFile, ClaudeStatusline::maxStatus);
    if (!bytes)
        return std::nullopt;
    std::optional<ProviderUsage> usage = ClaudeStatusline::parse(*bytes, now);
    if (!usage)
        return std::nullopt;
    return ClaudeAccounts::Legacy{usage->account, usage->observedAt};
}

std::vector<std::string> accountKeys(const fs::path& folder)
{
    std::vector<std::string> keys;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (auto key = ClaudeAccounts::key(entry.path().filename().string()))
            keys.push_back(std::move(*key));
    }
    return keys;
}

std::optional<ClaudeAccounts::Identity> login(const Environment& environment, const fs::path& home)
{
    corvane::Result<Json> config = ClaudeAccounts::readConfig(ClaudeAccounts::configPath(environment, home));
    if (!config)
        return std::nullopt;
    return ClaudeAccounts::identity(*config);
}

// Writes the reading unless it would tell the app nothing new; gives the
// reading as it now stands.
std::optional<ProviderUsage> record(const std::string& normalized, const fs::path& home, WallTime now,
                                    const Environment& environment)
{
    fs::path folder = statusFolder(environment, home);
    ClaudeAccounts::Target target = ClaudeAccounts::resolve(readLegacy(folder, now), login(environment, home),
                                                            accountKeys(folder), now);
    fs::path path = folder / ClaudeAccounts::targetFile(target);
    corvane::Result<std::string> previous = readFileCapped(path, ClaudeStatusline::maxStatus);
    std::string merged = previous ? ClaudeStatusline::carryOver(normalized, *previous, now) : normalized;
    merged = ClaudeAccounts::stamp(merged, target);
    bool unchanged = previous && ClaudeStatusline::isUnchanged(merged, *previous, now);
    // A failed write leaves the last reading in place; the line still shows.
    if (!unchanged && merged.size() <= ClaudeStatusline::maxStatus)
        (void)writeFileAtomically(path, merged);
    return ClaudeStatusline::parse(merged, now);
}

Result wrap(const std::string& command, std::string_view input, const Environment& environment)
{
    ChildRegistry registry;
    ProcessRunner runner(registry);
    ProcessRequest request;
    request.program = std::string(shell);
    request.arguments = {"-c", command};
    request.environment.inherit = false;
    request.environment.set = environment;
    request.timeoutSeconds = wrapTimeout;
    request.standardInput = std::string(input);
    corvane::Result<ProcessOutput> ran = runner.run(request);
    // Timed out or not started: the user's line shows nothing this time.
    if (!ran)
        return Result{{}, ran.error().code == Error::Code::TimedOut ? 0 : couldNotRun};
    const ProcessExit& exit = ran->exit;
    return Result{std::move(ran->standardOutput),
                  exit.kind == ProcessExit::Kind::Exited ? exit.value : 128 + exit.value};
}

}  // namespace

fs::path statusFolder(const Environment& environment, const fs::path& home)
{
    return appPaths(environment, home).statusFile().parent_path();
}

fs::path inboxFolder(const Environment& environment, const fs::path& home)
{
    return appPaths(environment, home).inbox();
}

std::int32_t codexNotify(const std::vector<std::string>& arguments, const fs::path& home, WallTime now,
                         const Environment& environment, long pid, const fs::path& folder)
{
    CodexNotifyHelper::Plan plan = CodexNotifyHelper::plan(arguments, folder);
    if (plan.event) {
        fs::path inbox = inboxFolder(environment, home);
        // A failure only costs the alert; the previous notifier still runs.
        if (createDirectories(inbox, 0700))
            (void)writeFileAtomically(inbox / CodexNotifyHelper::fileName(pid, now), *plan.event);
    }
    if (!plan.previous.empty()) {
        ChildRegistry registry;
        ProcessRunner runner(registry);
        ProcessRequest request;
        request.program = plan.previous.front();
        request.arguments.assign(plan.previous.begin() + 1, plan.previous.end());
        request.environment.inherit = false;
        request.environment.set = environment;
        (void)runner.run(request);
    }
    return 0;
}

fs::path statusFile(const Environment& environment, const fs::path& home)
{
    return statusFolder(environment, home) / ClaudeAccounts::legacyFile;
}

Result run(std::string_view input, const std::vector<std::string>& arguments, const fs::path& home, WallTime now,
           const Environment& environment)
{
    bool oversized = input.size() > ClaudeStatusline::maxStdin;
    input = input.substr(0, ClaudeStatusline::maxStdin);
    std::optional<ProviderUsage> usage;
    if (!oversized) {
        // Malformed input leaves the previous status file in place.
        if (std::optional<std::string> normalized = ClaudeStatusline::normalize(input, now))
            usage = record(*normalized, home, now, environment);
    }
    auto flag = std::find(arguments.begin(), arguments.end(), wrapFlag);
    if (flag != arguments.end() && std::next(flag) != arguments.end())
        return wrap(*std::next(flag), input, environment);
    if (!usage)
        return Result{};
    std::string line = ClaudeStatusline::compactLine(*usage);
    return Result{line.empty() ? line : line + "\n", 0};
}

}  // namespace corvane::StatuslineHelper
