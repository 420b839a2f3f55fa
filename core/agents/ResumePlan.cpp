#include "core/agents/ResumePlan.h"

#include <algorithm>

#include "core/agents/AgentKind.h"
#include "core/base/Ascii.h"

namespace corvane {

namespace {

constexpr std::size_t maxIDLength = 80;

// Letters, digits, "-", "_" and "." and no leading "-": the id can never turn into an option.
bool isPlainID(std::string_view id)
{
    return !id.empty() && id.size() <= maxIDLength && id.front() != '-'
        && std::all_of(id.begin(), id.end(),
                       [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '-' || c == '_' || c == '.'; });
}

// Codex names a transcript "rollout-<time>-<uuid>"; it resumes by the uuid alone.
std::string_view codexSession(std::string_view id)
{
    static constexpr std::size_t uuidLength = 36;
    if (id.size() <= uuidLength || id[id.size() - uuidLength - 1] != '-')
        return id;
    std::string_view tail = id.substr(id.size() - uuidLength);
    for (std::size_t i = 0; i < tail.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? tail[i] != '-' : hexDigitValue(tail[i]) < 0)
            return id;
    }
    return tail;
}

}  // namespace

std::optional<ResumePlan> ResumePlan::make(std::string_view agent, std::string_view sessionID,
                                           const std::optional<std::filesystem::path>& folder, bool exists)
{
    if (!isPlainID(sessionID))
        return std::nullopt;
    std::vector<std::string> words;
    if (agent == title(AgentKind::claudeCode))
        words = {"claude", "--resume", std::string(sessionID)};
    else if (agent == title(AgentKind::codex))
        words = {"codex", "resume", std::string(codexSession(sessionID))};
    else
        return std::nullopt;

    if (folder && folder->is_absolute() && exists)
        return ResumePlan{Terminal{*folder, std::move(words)}};
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return ResumePlan{Copy{std::move(text)}};
}

}  // namespace corvane
