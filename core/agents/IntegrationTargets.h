#pragma once
// The integrations the app can connect, each behind the same four
// operations so that one model drives them all, and whether the helper
// program that taps and notifiers call can be relied on from where the
// app runs.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"

namespace corvane {

// One integration: the file it edits and the writer's operations.
struct IntegrationWriter {
    std::string id;  // "claude.hooks"
    std::function<std::filesystem::path()> path;
    std::function<Result<WriteResult>()> install;
    std::function<Result<WriteResult>(const InstallRecord&)> uninstall;
    std::function<ConnectionStatus()> status;
    // Why it cannot be connected from here; removing stays possible.
    std::optional<std::string> blocked;

    template <typename Writer>
    static IntegrationWriter of(std::string id, Writer writer, std::optional<std::string> blocked = std::nullopt)
    {
        auto shared = std::make_shared<const Writer>(std::move(writer));
        return {std::move(id),
                [shared] { return shared->path(); },
                [shared] { return shared->install(); },
                [shared](const InstallRecord& record) { return shared->uninstall(record); },
                [shared] { return shared->status(); },
                std::move(blocked)};
    }
};

namespace IntegrationTargets {

inline constexpr std::string_view helperName = "corvane-statusline";

// This process's environment, with the helper beside its executable.
IntegrationEnv thisProcess(const std::filesystem::path& home);

// Why taps and notifiers pointing at the helper would break: it is missing
// or cannot run, or it lies on a read-only file system (a mounted image) or
// in a temporary folder (an unpacked or mounted bundle) outside `home`.
// Nothing when it can be relied on.
std::optional<std::string> helperBlocked(const std::filesystem::path& helperPath, const std::filesystem::path& home);

// Every integration of this build, in the order they are listed to the
// user; those that call the helper carry `blocked` when it is.
std::vector<IntegrationWriter> writable(IntegrationEnv env, const std::string& helperPath, int thresholdSeconds);

}  // namespace IntegrationTargets

}  // namespace corvane
