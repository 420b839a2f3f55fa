#pragma once
// `lunebox --integrations`, `--connect ID` and `--disconnect ID`: what the
// Setup chip does, from a terminal. Lists each integration with its status
// line, or connects or disconnects one and prints the change as a unified
// diff; a refusal goes to standard error as the sentence the app would show.

#include <filesystem>
#include <string>

#include "core/agents/IntegrationsModel.h"

namespace corvane {

struct IntegrationsCommand {
    enum class Action { list, connect, disconnect };

    struct Output {
        int exitCode = 0;
        std::string standardOutput;
        std::string standardError;
        bool operator==(const Output&) const = default;
    };

    // `id` is ignored for `list`.
    static Output run(IntegrationsModel& model, Action action, const std::string& id);

    // The shell hook's threshold from the settings file, read without ever
    // rewriting or moving it.
    static int thresholdSeconds(const std::filesystem::path& settingsFile);
};

}  // namespace corvane
