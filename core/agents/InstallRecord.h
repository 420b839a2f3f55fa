#pragma once
// What connecting an integration changed in one of the agents' files, so
// that disconnecting removes exactly that and nothing the user wrote.
//
// Writers compute new file text and never write themselves: the caller
// takes the backup, writes through a temporary file and keeps the record
// in the integrations manifest. Refusals are `Error`s of code `Invalid`
// whose `context` is the sentence shown to the user as it stands.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/base/Result.h"

namespace corvane {

struct InstallRecord {
    bool createdFile = false;           // the file did not exist before
    std::vector<std::string> created;   // entries or commands added
    // Setting path ("statusLine.command") -> the raw JSON that was there.
    std::map<std::string, std::string> replacedRaw;

    // Combines this record with one of an earlier installation into the same
    // file: the earliest `createdFile` and `replacedRaw` win, `created` is
    // the union (earlier entries first).
    InstallRecord merged(const InstallRecord& previous) const;

    bool operator==(const InstallRecord&) const = default;
};

void to_json(nlohmann::json& json, const InstallRecord& record);
void from_json(const nlohmann::json& json, InstallRecord& record);

struct WriteResult {
    std::string path;
    std::string text;                    // the new file content
    std::optional<std::string> previous; // nothing when the file is new
    InstallRecord record;
};

struct ConnectionStatus {
    enum class State { connected, missing, outdated, edited, disconnected, unavailable };
    State state = State::missing;
    std::string text;    // "Lunebox's Claude hooks are missing"
    std::string detail;  // " · alerts from Claude Code come late or not at all"

    bool connected() const { return state == State::connected; }
    bool operator==(const ConnectionStatus&) const = default;
};

const char* rawValue(ConnectionStatus::State state);

// A writer's refusal: code `Invalid`, the sentence for the user as context.
Error integrationRefusal(std::string sentence);

// Where the integrations live: the user's home, the environment the agents
// and shells see (CLAUDE_CONFIG_DIR, CODEX_HOME, ZDOTDIR, XDG_CONFIG_HOME)
// and the helper program that taps and notifiers call.
struct IntegrationEnv {
    std::filesystem::path home;
    std::map<std::string, std::string> environment;
    std::string helperPath;  // corvane-statusline beside the running executable

    // The variable when set and not empty.
    std::optional<std::string> variable(const std::string& name) const;
};

}  // namespace corvane
