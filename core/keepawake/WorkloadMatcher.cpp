#include "core/keepawake/WorkloadMatcher.h"

#include <algorithm>

#include "core/base/Ascii.h"
#include "core/keepawake/KeepAwakeText.h"

namespace corvane::WorkloadMatcher {

namespace {

std::vector<WorkloadRule> makeDefaultRules()
{
    std::vector<WorkloadRule> rules;
    for (const char* agent : {"claude", "codex", "aider", "opencode", "gemini", "cursor-agent", "ollama", "llama-server",
                              "goose", "amp"})
        rules.push_back({WorkloadKind::agent, agent, 0});
    for (const char* build : {"xcodebuild", "swift-build", "swift-frontend", "cargo", "rustc", "gradle", "java-gradle",
                              "kotlinc", "go", "clang", "make", "ninja", "cmake", "npm run build", "pnpm build",
                              "pnpm run build", "yarn build", "bun run build", "docker build", "docker buildx",
                              "go build", "tsc"})
        rules.push_back({WorkloadKind::build, build, 5.0});
    return rules;
}

std::vector<std::string_view> pathComponents(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('/', start);
        std::string_view part = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (!part.empty())
            parts.push_back(part);
        if (slash == std::string_view::npos)
            return parts;
        start = slash + 1;
    }
}

void addCandidates(std::string_view token, std::vector<std::string>& out)
{
    std::string lowered = asciiLowercased(token);
    auto parts = pathComponents(lowered);
    if (parts.empty())
        return;
    out.emplace_back(parts.back());
    // A version-managed install: <tool>/versions/<version>, the version
    // being the executable's name.
    std::size_t first = parts.size() > 3 ? parts.size() - 3 : 0;
    for (std::size_t at = parts.size(); at-- > first;) {
        if (parts[at] == "versions") {
            if (at > 0)
                out.emplace_back(parts[at - 1]);
            break;
        }
    }
}

bool looksLikeVersion(std::string_view name)
{
    // "^\d+\.\d+\.\d+": three dotted numbers at the start.
    std::size_t at = 0;
    for (int group = 0; group < 3; ++group) {
        if (group > 0) {
            if (at >= name.size() || name[at] != '.')
                return false;
            ++at;
        }
        std::size_t digits = at;
        while (at < name.size() && isAsciiDigit(name[at]))
            ++at;
        if (at == digits)
            return false;
    }
    return true;
}

std::string_view firstWord(std::string_view text)
{
    return text.substr(0, text.find(' '));
}

}  // namespace

const std::vector<WorkloadRule>& defaultRules()
{
    static const std::vector<WorkloadRule> rules = makeDefaultRules();
    return rules;
}

std::vector<std::string> candidateNames(std::string_view name, const std::vector<std::string>& argv)
{
    std::vector<std::string> names{asciiLowercased(name)};
    for (std::size_t at = 0; at < std::min<std::size_t>(2, argv.size()); ++at)
        addCandidates(argv[at], names);
    for (std::size_t at = 2; at < argv.size(); ++at) {
        if (!argv[at].starts_with('-')) {
            addCandidates(argv[at], names);
            break;
        }
    }
    return names;
}

std::optional<Workload> match(std::int32_t pid, std::string_view name, const std::vector<std::string>& argv,
                              double cpu, const std::vector<WorkloadRule>& rules)
{
    std::vector<std::string> names = candidateNames(name, argv);
    std::string commandLine;
    for (const std::string& argument : argv) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += argument;
    }
    commandLine = asciiLowercased(commandLine);
    // A browser's native-messaging host shares the agent's executable but is no agent work.
    bool nativeHost = std::find(argv.begin(), argv.end(), "--chrome-native-host") != argv.end();

    for (const WorkloadRule& rule : rules) {
        if (rule.minCPU > 0 && !(rule.minCPU <= cpu))
            continue;
        if (!WorkloadRule::isValid(rule.match) || (nativeHost && rule.kind == WorkloadKind::agent))
            continue;
        std::string wanted = asciiLowercased(KeepAwakeText::trimmed(rule.match));
        bool matched = false;
        if (rule.kind == WorkloadKind::custom)
            matched = commandLine.find(wanted) != std::string::npos;
        else if (wanted.find(' ') != std::string::npos)
            matched = commandLine.find(wanted) != std::string::npos;
        else
            matched = std::find(names.begin(), names.end(), wanted) != names.end();
        if (matched)
            return Workload{pid, rule.match, rule.kind, std::nullopt, std::nullopt};
    }
    return std::nullopt;
}

bool worthExamining(std::string_view name, const std::vector<WorkloadRule>& rules)
{
    std::string lowered = asciiLowercased(name);
    if (lowered.starts_with("python") || looksLikeVersion(lowered))
        return true;
    // A script started through "env" runs under its interpreter's name; a
    // tool that sets its title ("npm run build") shows it as its name.
    if (lowered == "node" || lowered == "bun" || lowered == "deno")
        return true;
    for (const WorkloadRule& rule : rules) {
        if (!WorkloadRule::isValid(rule.match))
            continue;
        // A phrase of the user's own may stand anywhere in any command line.
        if (rule.kind == WorkloadKind::custom)
            return true;
        // "npm" may become "npm run build" once its arguments are read.
        std::string wanted = asciiLowercased(KeepAwakeText::trimmed(rule.match));
        if (firstWord(lowered) == firstWord(wanted))
            return true;
    }
    return false;
}

}  // namespace corvane::WorkloadMatcher
