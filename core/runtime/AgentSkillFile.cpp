#include "core/runtime/AgentSkillFile.h"

#include "core/base/Files.h"

namespace corvane {

std::string AgentSkillFile::text(std::string_view executablePath)
{
    std::string path(executablePath);
    return "---\n"
           "name: lunebox\n"
           "description: Read the local Lunebox status (running dev servers and keep-awake state) on this computer.\n"
           "---\n"
           "Run `\"" + path + "\" --status --json` to get JSON with `devServers` (port, framework, project, pid) and\n"
           "`keepAwake.lastEvent`. It is read-only. To keep the computer awake for a long task, ask the user to turn\n"
           "on Auto Mode in Lunebox (\u2325\u2318A); do not change power settings yourself.";
}

Result<void> AgentSkillFile::write(const std::filesystem::path& file, std::string_view executablePath)
{
    // Agents read it as the same user; nothing in it is private.
    return writeFileAtomically(file, text(executablePath), 0644);
}

void AgentSkillFile::remove(const std::filesystem::path& file)
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

}  // namespace corvane
