#pragma once
// The diagnosis of the coding agents' setup: which agents are installed,
// and what in their settings stops them working with the app or at all (a
// hook that calls a program that is not there, a settings file Claude Code
// ignores, a plugin switched on but never installed, the app's own
// integrations gone or out of date). A fixable issue carries the exact
// new text of one file, shown as a diff before it is written; a written fix
// can be undone for a while, as long as nobody changed the file since.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"
#include "core/base/Time.h"
#include "core/notch/AlertPost.h"

namespace corvane {

// The files whose changes call for a new scan.
namespace IntegrationRegistry {

struct Entry {
    enum class Kind { claudeSettings, claudeLocalSettings, claudePlugins, codexConfig };
    Kind kind = Kind::claudeSettings;
    std::filesystem::path path;
    bool operator==(const Entry&) const = default;
};

// The user's settings, each project's shared and local settings, the
// plugin list and Codex's configuration, in that order.
std::vector<Entry> entries(const IntegrationEnv& env, const std::vector<std::filesystem::path>& projects);
// The folders holding those files for the user (projects excluded).
std::vector<std::filesystem::path> watchedFolders(const IntegrationEnv& env);
// Whether any of the changed paths is one of the files a scan reads.
bool isRelevant(const std::vector<std::filesystem::path>& paths, const IntegrationEnv& env);

}  // namespace IntegrationRegistry

namespace AISetup {

inline constexpr std::size_t maxSettingsBytes = 4 * 1024 * 1024;
// How long an applied fix can be taken back.
inline constexpr double undoSeconds = 10 * 60;

struct FoundApp {
    AgentKind agent = AgentKind::claudeCode;
    std::filesystem::path path;          // the command-line program found
    std::optional<std::string> version;  // from its package, when it says
    bool operator==(const FoundApp&) const = default;
};

// What applying a fix does besides writing its text.
struct Change {
    enum class Kind { removeHook, disablePlugin, reconnect };
    Kind kind = Kind::removeHook;
    std::string event;        // removeHook: "PreToolUse"
    std::string command;      // removeHook: the hook's command
    std::string plugin;       // disablePlugin: "name@marketplace"
    std::string integration;  // reconnect: "claude.hooks"
    bool operator==(const Change&) const = default;
};

struct FixPlan {
    std::string issue;  // the issue's title
    std::filesystem::path path;
    std::string displayPath;  // "~/.claude/settings.json"
    std::optional<std::string> oldText;  // nothing: the fix creates the file
    std::string newText;
    std::vector<std::string> diff;  // unified diff lines
    Change change;
    bool operator==(const FixPlan&) const = default;
};

struct Issue {
    std::string id;      // stays the same while the cause does: alerts are raised once
    std::string title;   // "A hook's command isn't on this computer"
    std::string detail;  // appended to the title where shown in full
    std::optional<FixPlan> fix;
    bool operator==(const Issue&) const = default;
};

struct Report {
    std::vector<FoundApp> apps;
    std::vector<Issue> issues;
};

// One of the app's own integrations, as the caller knows it.
struct IntegrationState {
    std::string id;
    ConnectionStatus status;
    bool installed = false;  // the manifest holds it: the user connected it
    // The connect it would take now (the writer's install), for the preview.
    std::optional<WriteResult> reinstall;
};

struct Input {
    std::vector<std::filesystem::path> projects;  // project folders the agents worked in
    std::vector<IntegrationState> integrations;
};

struct Undo {
    std::string what;  // the fix's issue
    std::filesystem::path path;
    std::string displayPath;
    std::string writtenText;
    std::optional<std::string> originalText;  // nothing: the fix created the file
    WallTime until = WallTime::fromUnixSeconds(0);
    bool operator==(const Undo&) const = default;
};

Report scan(const IntegrationEnv& env, const Input& input);

// The settings text without the hooks of `event` whose command is exactly
// `command` (a group left empty goes too); nothing when there is none or
// the text is not a settings object.
std::optional<std::string> removingHook(std::string_view text, std::string_view event, std::string_view command);

// Home-relative form of a path for display.
std::string displayPath(const std::filesystem::path& path, const std::filesystem::path& home);

// Writes the fix's text when the file still holds what the plan was made
// from; the undo record takes it back until `now` + undoSeconds. Reconnect
// fixes are the integrations model's to apply.
Result<Undo> apply(const FixPlan& plan, WallTime now);
// Puts the original text back when the fix's text is still what the file
// holds and the undo has not expired.
Result<void> undo(const Undo& record, WallTime now);

// "ai.setupIssue": "AI setup: " and the issue, its first letter lowered.
AlertPost alert(const Issue& issue);

}  // namespace AISetup

}  // namespace corvane
