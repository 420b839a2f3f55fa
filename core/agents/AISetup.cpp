#include "core/agents/AISetup.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/agents/ClaudeSettingsFile.h"
#include "core/agents/IntegrationFile.h"
#include "core/agents/LineDiff.h"
#include "core/base/Files.h"

namespace corvane {

namespace fs = std::filesystem;
using Document = ClaudeSettingsFile::Document;

namespace {

fs::path claudeFolder(const IntegrationEnv& env) { return ClaudeSettingsFile::path(env).parent_path(); }

fs::path codexFolder(const IntegrationEnv& env)
{
    if (auto folder = env.variable("CODEX_HOME"))
        return fs::path(*folder);
    return env.home / ".codex";
}

fs::path pluginsFile(const IntegrationEnv& env) { return claudeFolder(env) / "plugins" / "installed_plugins.json"; }

}  // namespace

namespace IntegrationRegistry {

std::vector<Entry> entries(const IntegrationEnv& env, const std::vector<fs::path>& projects)
{
    std::vector<Entry> out{{Entry::Kind::claudeSettings, ClaudeSettingsFile::path(env)}};
    std::set<fs::path> seen{ClaudeSettingsFile::path(env)};
    for (const fs::path& project : projects) {
        fs::path shared = project / ".claude" / "settings.json";
        if (!seen.insert(shared).second)
            continue;  // the home folder as a project: its settings are the user's
        out.push_back({Entry::Kind::claudeSettings, shared});
        out.push_back({Entry::Kind::claudeLocalSettings, project / ".claude" / "settings.local.json"});
    }
    out.push_back({Entry::Kind::claudePlugins, pluginsFile(env)});
    out.push_back({Entry::Kind::codexConfig, codexFolder(env) / "config.toml"});
    return out;
}

std::vector<fs::path> watchedFolders(const IntegrationEnv& env)
{
    return {claudeFolder(env), claudeFolder(env) / "plugins", codexFolder(env)};
}

bool isRelevant(const std::vector<fs::path>& paths, const IntegrationEnv& env)
{
    static constexpr std::array names{"settings.json", "settings.local.json", "installed_plugins.json", "config.toml"};
    auto folders = watchedFolders(env);
    return std::any_of(paths.begin(), paths.end(), [&](const fs::path& path) {
        std::string name = path.filename().string();
        if (std::find(names.begin(), names.end(), name) != names.end())
            return true;
        // A folder event (the folder itself replaced or created) may hide any of them.
        return std::find(folders.begin(), folders.end(), path) != folders.end();
    });
}

}  // namespace IntegrationRegistry

namespace AISetup {

namespace {

constexpr std::string_view missingCommand = "A hook's command isn't on this computer";
constexpr std::string_view rewritesBash = "A hook rewrites every Bash command";

// Words a hook may start with that name no program.
bool isShellWord(std::string_view word)
{
    static constexpr std::array words{"{", "(", "!", "[", "[[", "if", "for", "while", "case", "exec", "export", "cd",
                                      "echo", "printf", "test", "true", "false", ":", ".", "source", "set", "eval",
                                      "command", "builtin", "exit", "return", "read", "local", "type"};
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The first word of a command as the shell would run it: variable
// assignments skipped, simple quoting undone. Nothing when the word is built
// from anything the check cannot know (command substitutions, other variables).
std::optional<std::string> firstWord(std::string_view command)
{
    std::size_t at = 0;
    while (true) {
        at = command.find_first_not_of(" \t\n", at);
        if (at == std::string_view::npos)
            return std::nullopt;
        std::string word;
        char quote = 0;
        std::size_t end = at;
        for (; end < command.size(); ++end) {
            char c = command[end];
            if (quote) {
                if (c == quote)
                    quote = 0;
                else
                    word.push_back(c);
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == ' ' || c == '\t' || c == '\n' || c == ';' || c == '|' || c == '&') {
                break;
            } else if (c == '\\' && end + 1 < command.size()) {
                word.push_back(command[++end]);
            } else {
                word.push_back(c);
            }
        }
        if (quote)
            return std::nullopt;
        std::size_t equals = word.find('=');
        bool assignment = equals != std::string::npos && equals > 0
            && std::all_of(word.begin(), word.begin() + static_cast<std::ptrdiff_t>(equals),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
        if (!assignment)
            return word;
        at = end;
    }
}

// The program's path with the home and project variables filled in;
// nothing when other variables or substitutions are left.
std::optional<fs::path> expand(std::string word, const IntegrationEnv& env, const std::optional<fs::path>& project)
{
    auto replacePrefix = [&](std::string_view prefix, const fs::path& with) {
        if (word.starts_with(prefix) && (word.size() == prefix.size() || word[prefix.size()] == '/'))
            word = with.string() + word.substr(prefix.size());
    };
    replacePrefix("~", env.home);
    replacePrefix("$HOME", env.home);
    replacePrefix("${HOME}", env.home);
    if (project) {
        replacePrefix("$CLAUDE_PROJECT_DIR", *project);
        replacePrefix("${CLAUDE_PROJECT_DIR}", *project);
    }
    if (word.find_first_of("$`*?") != std::string::npos)
        return std::nullopt;
    return fs::path(word);
}

bool isExecutable(const fs::path& path) { return ::access(path.c_str(), X_OK) == 0 && !fs::is_directory(path); }

std::optional<fs::path> findOnPath(std::string_view name, const IntegrationEnv& env)
{
    std::string search = env.variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    std::size_t start = 0;
    while (start <= search.size()) {
        std::size_t end = search.find(':', start);
        std::string folder = search.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty()) {
            fs::path candidate = fs::path(folder) / name;
            if (isExecutable(candidate))
                return candidate;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::nullopt;
}

// Whether a hook's program is missing; unknowable programs count as present.
bool commandMissing(std::string_view command, const IntegrationEnv& env, const std::optional<fs::path>& project)
{
    auto word = firstWord(command);
    if (!word || word->empty() || isShellWord(*word))
        return false;
    if (word->find('/') == std::string::npos && !word->starts_with("~"))
        return word->find('$') == std::string::npos && !findOnPath(*word, env);
    auto path = expand(*word, env, project);
    if (!path)
        return false;
    if (path->is_relative()) {
        if (!project)
            return false;  // relative to a project the user setting cannot know
        path = *project / *path;
    }
    return !isExecutable(*path);
}

// A PreToolUse matcher that takes every Bash call.
bool matchesAllBash(const Document& group)
{
    auto matcher = group.find("matcher");
    if (matcher == group.end() || !matcher->is_string())
        return true;
    std::string text = matcher->get<std::string>();
    if (text.empty() || text == "*" || text == ".*")
        return true;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('|', start);
        if (text.substr(start, end == std::string::npos ? std::string::npos : end - start) == "Bash")
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

// A hook that hands Claude Code a changed tool input.
bool rewritesInput(std::string_view command) { return command.find("updatedInput") != std::string_view::npos; }

struct SettingsFile {
    fs::path path;
    std::string display;
    std::string text;
    Document document;
    std::optional<fs::path> project;  // nothing for the user's own settings
};

std::optional<FixPlan> plan(std::string issue, const SettingsFile& file, std::optional<std::string> newText,
                            Change change)
{
    if (!newText || *newText == file.text)
        return std::nullopt;
    FixPlan fix{std::move(issue), file.path, file.display, file.text, std::move(*newText), {}, std::move(change)};
    fix.diff = LineDiff::unified(file.text, fix.newText, file.display);
    return fix;
}

void hookIssues(const SettingsFile& file, const IntegrationEnv& env, std::vector<Issue>& issues)
{
    auto hooks = file.document.find("hooks");
    if (hooks == file.document.end() || !hooks->is_object())
        return;
    for (const auto& [event, groups] : hooks->items()) {
        if (!groups.is_array())
            continue;
        for (const Document& group : groups) {
            auto entries = group.find("hooks");
            if (!group.is_object() || entries == group.end() || !entries->is_array())
                continue;
            for (const Document& hook : *entries) {
                auto command = hook.is_object() ? hook.find("command") : hook.end();
                if (command == hook.end() || !command->is_string())
                    continue;
                std::string text = command->get<std::string>();
                std::string_view title;
                std::string detail;
                if (commandMissing(text, env, file.project)) {
                    title = missingCommand;
                    detail = " · " + firstWord(text).value_or(text) + " (" + event + " in " + file.display + ")";
                } else if (event == "PreToolUse" && matchesAllBash(group) && rewritesInput(text)) {
                    title = rewritesBash;
                    detail = " — auto mode refuses file writes";
                } else {
                    continue;
                }
                Issue issue{std::string(title) + "|" + file.path.string() + "|" + event + "|" + text,
                            std::string(title), detail, std::nullopt};
                issue.fix = plan(issue.title, file, removingHook(file.text, event, text),
                                 {Change::Kind::removeHook, event, text, {}, {}});
                issues.push_back(std::move(issue));
            }
        }
    }
}

std::optional<std::set<std::string>> installedPlugins(const IntegrationEnv& env)
{
    auto bytes = readFileCapped(pluginsFile(env), maxSettingsBytes);
    if (!bytes)
        return std::nullopt;
    auto document = nlohmann::json::parse(*bytes, nullptr, false);
    auto plugins = document.is_object() ? document.find("plugins") : document.end();
    if (plugins == document.end() || !plugins->is_object())
        return std::nullopt;
    std::set<std::string> names;
    for (const auto& [name, value] : plugins->items())
        names.insert(name);
    return names;
}

void pluginIssues(const SettingsFile& file, const std::optional<std::set<std::string>>& installed,
                  std::vector<Issue>& issues)
{
    auto enabled = file.document.find("enabledPlugins");
    // Without the plugin list nothing can be called missing.
    if (!installed || enabled == file.document.end() || !enabled->is_object())
        return;
    for (const auto& [name, on] : enabled->items()) {
        if (!on.is_boolean() || !on.get<bool>() || installed->contains(name))
            continue;
        Document updated = file.document;
        updated["enabledPlugins"][name] = false;
        Issue issue{"plugin|" + file.path.string() + "|" + name, name + " is on but not installed",
                    " · install it with /plugin, or turn it off", std::nullopt};
        issue.fix = plan(issue.title, file, ClaudeSettingsFile::dump(updated, file.text),
                         {Change::Kind::disablePlugin, {}, {}, name, {}});
        issues.push_back(std::move(issue));
    }
}

void integrationIssues(const IntegrationEnv& env, const std::vector<IntegrationState>& states,
                       std::vector<Issue>& issues)
{
    using State = ConnectionStatus::State;
    for (const IntegrationState& state : states) {
        // Only what the user connected can go missing; an edited entry is the user's to sort out.
        if (!state.installed || state.status.connected() || state.status.state == State::unavailable)
            continue;
        Issue issue{"integration|" + state.id + "|" + rawValue(state.status.state), state.status.text,
                    state.status.detail, std::nullopt};
        if (state.status.state != State::edited && state.reinstall) {
            const WriteResult& write = *state.reinstall;
            std::string display = displayPath(write.path, env.home);
            FixPlan fix{issue.title, write.path, display, write.previous, write.text, {},
                        {Change::Kind::reconnect, {}, {}, {}, state.id}};
            fix.diff = LineDiff::unified(write.previous.value_or(""), write.text, display);
            issue.fix = std::move(fix);
        }
        issues.push_back(std::move(issue));
    }
}

std::optional<fs::path> packageFolder(const fs::path& program)
{
    // npm links bin/<name> to lib/node_modules/<package>/<script>.
    std::error_code error;
    fs::path target = fs::canonical(program, error);
    if (error)
        return std::nullopt;
    for (fs::path folder = target.parent_path(); folder.has_relative_path(); folder = folder.parent_path()) {
        if (fs::exists(folder / "package.json", error))
            return folder;
        if (folder.filename() == "node_modules")
            break;
    }
    return std::nullopt;
}

std::optional<std::string> versionOf(const fs::path& program)
{
    auto folder = packageFolder(program);
    if (!folder)
        return std::nullopt;
    auto bytes = readFileCapped(*folder / "package.json", 1024 * 1024);
    if (!bytes)
        return std::nullopt;
    auto document = nlohmann::json::parse(*bytes, nullptr, false);
    auto version = document.is_object() ? document.find("version") : document.end();
    if (version == document.end() || !version->is_string())
        return std::nullopt;
    return version->get<std::string>();
}

std::vector<FoundApp> findApps(const IntegrationEnv& env)
{
    struct Candidate {
        AgentKind agent;
        std::string_view name;
        std::vector<fs::path> folders;  // where installers put it beside PATH
    };
    const std::array candidates{
        Candidate{AgentKind::claudeCode, "claude", {env.home / ".claude" / "local", env.home / ".local" / "bin"}},
        Candidate{AgentKind::codex, "codex", {env.home / ".local" / "bin"}},
    };
    std::vector<FoundApp> apps;
    for (const Candidate& candidate : candidates) {
        std::optional<fs::path> program = findOnPath(candidate.name, env);
        for (auto folder = candidate.folders.begin(); !program && folder != candidate.folders.end(); ++folder) {
            if (isExecutable(*folder / candidate.name))
                program = *folder / candidate.name;
        }
        if (program)
            apps.push_back({candidate.agent, *program, versionOf(*program)});
    }
    return apps;
}

}  // namespace

std::string displayPath(const fs::path& path, const fs::path& home)
{
    std::string text = path.string();
    std::string prefix = home.string();
    if (!prefix.empty() && text.starts_with(prefix) && (text.size() == prefix.size() || text[prefix.size()] == '/'))
        return "~" + text.substr(prefix.size());
    return text;
}

Report scan(const IntegrationEnv& env, const Input& input)
{
    Report report;
    report.apps = findApps(env);
    auto installed = installedPlugins(env);
    for (const IntegrationRegistry::Entry& entry : IntegrationRegistry::entries(env, input.projects)) {
        using Kind = IntegrationRegistry::Entry::Kind;
        if (entry.kind != Kind::claudeSettings && entry.kind != Kind::claudeLocalSettings)
            continue;
        auto bytes = readFileCapped(entry.path, maxSettingsBytes);
        if (!bytes || isBlank(*bytes))
            continue;
        SettingsFile file{entry.path, displayPath(entry.path, env.home), std::move(*bytes), {}, std::nullopt};
        if (entry.path != ClaudeSettingsFile::path(env))
            file.project = entry.path.parent_path().parent_path();
        file.document = Document::parse(file.text, nullptr, false);
        if (file.document.is_discarded() || !file.document.is_object()) {
            report.issues.push_back({"json|" + entry.path.string(), file.display + " isn't valid JSON",
                                     " · Claude Code ignores what's in it", std::nullopt});
            continue;
        }
        hookIssues(file, env, report.issues);
        pluginIssues(file, installed, report.issues);
    }
    integrationIssues(env, input.integrations, report.issues);
    return report;
}

std::optional<std::string> removingHook(std::string_view text, std::string_view event, std::string_view command)
{
    Document document = Document::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    auto hooks = document.find("hooks");
    if (hooks == document.end() || !hooks->is_object())
        return std::nullopt;
    auto groups = hooks->find(std::string(event));
    if (groups == hooks->end() || !groups->is_array())
        return std::nullopt;
    bool removed = false;
    Document kept = Document::array();
    for (Document& group : *groups) {
        auto entries = group.is_object() ? group.find("hooks") : group.end();
        if (entries == group.end() || !entries->is_array()) {
            kept.push_back(std::move(group));
            continue;
        }
        Document remaining = Document::array();
        for (Document& hook : *entries) {
            auto found = hook.is_object() ? hook.find("command") : hook.end();
            if (found != hook.end() && found->is_string() && found->get<std::string>() == command)
                removed = true;
            else
                remaining.push_back(std::move(hook));
        }
        if (remaining.empty() && !entries->empty())
            continue;  // the group held only that hook
        *entries = std::move(remaining);
        kept.push_back(std::move(group));
    }
    if (!removed)
        return std::nullopt;
    *groups = std::move(kept);
    return ClaudeSettingsFile::dump(document, std::string(text));
}

Result<Undo> apply(const FixPlan& plan, WallTime now)
{
    auto current = IntegrationFile::read(plan.path);
    if (!current)
        return fail(current.error());
    if (*current != plan.oldText)
        return fail(integrationRefusal(plan.displayPath + " changed since the fix was planned — scan again"));
    if (auto written = IntegrationFile::replace(plan.path, plan.newText); !written)
        return fail(written.error());
    return Undo{plan.issue, plan.path, plan.displayPath, plan.newText, plan.oldText,
                now.plusSeconds(undoSeconds)};
}

Result<void> undo(const Undo& record, WallTime now)
{
    if (now > record.until)
        return fail(integrationRefusal("It's too late to undo that fix"));
    auto current = IntegrationFile::read(record.path);
    if (!current)
        return fail(current.error());
    if (*current != std::optional<std::string>(record.writtenText))
        return fail(integrationRefusal(record.displayPath + " changed since the fix, so Lunebox left it alone"));
    if (!record.originalText)
        return IntegrationFile::remove(record.path);
    return IntegrationFile::replace(record.path, *record.originalText);
}

AlertPost alert(const Issue& issue)
{
    std::string words = issue.title;
    if (!words.empty())
        words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
    AlertPost post;
    post.kind = "ai.setupIssue";
    post.title = "AI setup: " + words;
    // Details are written to follow the title on one line; alone they lose the joint.
    std::string_view body = issue.detail;
    for (std::string_view joint : {std::string_view(" · "), std::string_view(" — ")}) {
        if (body.starts_with(joint))
            body.remove_prefix(joint.size());
    }
    if (!body.empty())
        post.body = std::string(body);
    post.key = "ai.setupIssue|" + issue.id;
    return post;
}

}  // namespace AISetup

}  // namespace corvane
