#pragma once
// The skill file that tells coding agents about `lunebox --status`
// (`KnownPaths::agentSkill`). Written and removed only when the user asks.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/Result.h"

namespace corvane {

struct AgentSkillFile {
    // The file's whole text, naming the executable to run; no final newline.
    static std::string text(std::string_view executablePath);
    // Creates the missing folders and replaces the file in one rename.
    static Result<void> write(const std::filesystem::path& file, std::string_view executablePath);
    // Deletes the file and leaves its folders; a failure is ignored.
    static void remove(const std::filesystem::path& file);
};

}  // namespace corvane
