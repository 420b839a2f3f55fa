#pragma once
// Connects Claude Code's hooks to the inbox: under `hooks` in the user's
// settings.json, one matcher group per event whose command is the inbox
// hook followed by the marker comment. The file is edited as a structure,
// so every other member keeps its place and order.
//
// A marked command equal to the current one is ours; one that still has
// the shape of a generated hook (starts like one, ends in "exit 0" and the
// marker) is an older version of ours and is updated in place; any other
// marked command was edited by the user and is never touched.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "core/agents/ClaudeHookInbox.h"
#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"

namespace corvane {

class ClaudeHooksWriter {
public:
    static constexpr std::string_view marker = "# corvane-hook";
    // Claude Code's hook name -> the event the hook reports.
    static constexpr std::array hookEvents{
        std::pair{std::string_view("Notification"), ClaudeHookEvent::Kind::needsInput},
        std::pair{std::string_view("Stop"), ClaudeHookEvent::Kind::stop},
        std::pair{std::string_view("UserPromptSubmit"), ClaudeHookEvent::Kind::start},
    };

    explicit ClaudeHooksWriter(IntegrationEnv env) : env_(std::move(env)) {}

    // The hook command with the marker, exactly as it is written.
    static std::string command(ClaudeHookEvent::Kind event);

    std::filesystem::path path() const;
    Result<WriteResult> install() const;
    Result<WriteResult> uninstall(const InstallRecord& record) const;
    ConnectionStatus status() const;

private:
    IntegrationEnv env_;
};

}  // namespace corvane
