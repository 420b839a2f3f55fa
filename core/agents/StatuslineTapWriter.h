#pragma once
// Points Claude Code's statusline at the helper, which records plan limits
// and then runs the user's own statusline command, if there was one, so
// the user still sees theirs. When the helper is gone the tap falls back
// to the user's command through /bin/sh.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"

namespace corvane {

class StatuslineTapWriter {
public:
    static constexpr std::string_view marker = "# corvane-statusline";
    // The `replacedRaw` keys: the command when `statusLine` was an object
    // with one, else the whole member.
    static constexpr std::string_view commandKey = "statusLine.command";
    static constexpr std::string_view memberKey = "statusLine";

    explicit StatuslineTapWriter(IntegrationEnv env) : env_(std::move(env)) {}

    // The tap around `existing` (the user's command), or alone.
    std::string command(const std::optional<std::string>& existing) const;
    // The user's command inside a tap of either form (the conditional one
    // above, or the quoted helper, " --wrap " and the quoted command);
    // nothing for a tap without one or a text of another shape.
    static std::optional<std::string> original(std::string_view tap);

    std::filesystem::path path() const;
    Result<WriteResult> install() const;
    Result<WriteResult> uninstall(const InstallRecord& record) const;
    ConnectionStatus status() const;

private:
    IntegrationEnv env_;
};

}  // namespace corvane
