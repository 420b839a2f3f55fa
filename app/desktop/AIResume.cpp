#include "app/desktop/AIResume.h"

#include <algorithm>
#include <system_error>

#include "core/base/Ascii.h"

namespace corvane::app::AIResume {

namespace fs = std::filesystem;

bool isSessionID(std::string_view id)
{
    return !id.empty() && id.size() <= maxSessionIDLength
        && std::all_of(id.begin(), id.end(), [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '-'; });
}

std::optional<ResumePlan> plan(const AgentHistoryEntry& entry, const std::optional<fs::path>& folder)
{
    if (!isSessionID(entry.id))
        return std::nullopt;
    std::error_code error;
    bool exists = folder && fs::is_directory(*folder, error);
    return ResumePlan::make(entry.agent, entry.id, folder, exists);
}

Outcome resume(const AgentHistoryEntry& entry, const std::optional<fs::path>& folder,
               platform::TerminalLauncher& terminal, const Copy& copy)
{
    auto chosen = plan(entry, folder);
    if (!chosen)
        return {Outcome::Kind::refused, "This session can't be resumed."};
    if (const auto* words = chosen->as<ResumePlan::Copy>()) {
        copy(words->text);
        return {Outcome::Kind::copied, "Its folder is gone: the resume command is on the clipboard."};
    }
    const auto& run = *chosen->as<ResumePlan::Terminal>();
    auto command = platform::TerminalCommand::make(run.folder, run.words);
    if (!command)
        return {Outcome::Kind::refused, "This session's folder can't be opened."};
    if (auto opened = terminal.open(*command))
        return {Outcome::Kind::opened, "Resuming in " + *opened + "."};
    copy(command->shellLine());
    return {Outcome::Kind::copied, "No terminal found: the resume command is on the clipboard."};
}

}  // namespace corvane::app::AIResume
