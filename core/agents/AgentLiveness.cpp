#include "core/agents/AgentLiveness.h"

#include <algorithm>
#include <array>

#include <unistd.h>

#include "core/base/Ascii.h"
#include "core/runtime/ProcessInspector.h"

namespace corvane {

namespace {

constexpr std::array scriptHosts{std::string_view("node"), std::string_view("bun"), std::string_view("deno")};

std::string_view baseName(std::string_view path)
{
    while (path.size() > 1 && path.ends_with('/'))
        path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The tool a path names: its file name, or for a version-managed install
// (".../claude/versions/2.1.3") the folder the versions belong to.
std::string_view toolName(std::string_view path)
{
    std::string_view name = baseName(path);
    std::string_view folder = path.substr(0, path.size() - name.size());
    while (folder.ends_with('/'))
        folder.remove_suffix(1);
    if (!name.empty() && isAsciiDigit(name.front()) && baseName(folder) == "versions") {
        folder.remove_suffix(std::string_view("versions").size());
        while (folder.ends_with('/'))
            folder.remove_suffix(1);
        return baseName(folder);
    }
    return name;
}

std::optional<AgentKind> agentNamed(std::string_view name)
{
    if (name == "claude")
        return AgentKind::claudeCode;
    if (name == "codex" || name.starts_with("codex-"))
        return AgentKind::codex;
    return std::nullopt;
}

std::optional<AgentKind> agentOfScript(std::string_view script)
{
    if (script.find("/@anthropic-ai/claude-code/") != std::string_view::npos)
        return AgentKind::claudeCode;
    if (script.find("/@openai/codex/") != std::string_view::npos)
        return AgentKind::codex;
    return agentNamed(toolName(script));
}

// Worth reading the arguments of: the short name could be an agent or a host of one.
bool worthExamining(std::string_view shortName)
{
    return agentNamed(shortName) || std::find(scriptHosts.begin(), scriptHosts.end(), shortName) != scriptHosts.end()
           || (!shortName.empty() && isAsciiDigit(shortName.front()));
}

// The Claude encoding of a folder: every character but an ASCII letter or digit becomes "-".
std::string encoded(std::string_view folder)
{
    std::string text(folder);
    for (char& c : text)
        if (!isAsciiDigit(c) && !isAsciiAlpha(c))
            c = '-';
    return text;
}

}  // namespace

bool LiveAgents::alive(AgentKind agent, const std::optional<std::string>& project) const
{
    auto found = folders.find(agent);
    if (found == folders.end() || found->second.empty())
        return false;
    if (!project || project->empty())
        return true;
    return std::any_of(found->second.begin(), found->second.end(),
                       [&](const std::string& folder) { return AgentLiveness::matchesProject(folder, *project); });
}

std::optional<AgentKind> AgentLiveness::recognise(std::string_view shortName, std::string_view executable,
                                                  const std::vector<std::string>& argv)
{
    if (std::find(argv.begin(), argv.end(), "--chrome-native-host") != argv.end())
        return std::nullopt;
    if (auto agent = agentNamed(toolName(executable)))
        return agent;
    if (!argv.empty()) {
        if (auto agent = agentNamed(toolName(argv.front())))
            return agent;
    }
    std::string_view host = executable.empty() ? shortName : baseName(executable);
    bool scriptHost = std::any_of(scriptHosts.begin(), scriptHosts.end(),
                                  [&](std::string_view name) { return host.starts_with(name); });
    if (scriptHost && argv.size() > 1)
        return agentOfScript(argv[1]);
    if (executable.empty())
        return agentNamed(shortName);
    return std::nullopt;
}

bool AgentLiveness::matchesProject(std::string_view folder, std::string_view project)
{
    if (project.empty())
        return true;
    if (baseName(folder) == project)
        return true;
    std::string name = encoded(folder);
    return name.size() > project.size() && name.ends_with(project) && name[name.size() - project.size() - 1] == '-';
}

LiveAgents AgentLiveness::scan(uid_t uid)
{
    LiveAgents live;
    const std::int32_t self = ::getpid();
    for (std::int32_t pid : ProcessInspector::allPIDs()) {
        if (pid == self)
            continue;
        // Each read may find the process gone: it is then simply not counted.
        auto stat = ProcessInspector::stat(pid);
        if (!stat || !worthExamining(stat->name) || ProcessInspector::owner(pid) != uid)
            continue;
        std::string executable = ProcessInspector::path(pid).value_or("");
        auto agent = recognise(stat->name, executable, ProcessInspector::arguments(pid));
        if (!agent)
            continue;
        live.folders[*agent].push_back(ProcessInspector::cwd(pid).value_or(""));
    }
    return live;
}

}  // namespace corvane
