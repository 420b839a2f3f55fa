#include "core/agents/CodexNotifyHelper.h"

#include <cmath>

#include <fmt/format.h>

#include "core/agents/ClaudeHookInbox.h"
#include "core/base/Ascii.h"
#include "core/base/JsonStore.h"

namespace corvane {

namespace {

// The folder's name as the Claude hook writes it: letters, digits, ". _ -"
// and blanks, at most 80 characters.
std::string projectName(const std::filesystem::path& folder)
{
    std::filesystem::path trimmed = folder.has_filename() ? folder : folder.parent_path();
    std::string name;
    for (char c : trimmed.filename().string()) {
        if (name.size() == CodexNotifyHelper::maxProjectLength)
            break;
        if (isAsciiAlpha(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == ' ' || c == '-')
            name.push_back(c);
    }
    return name;
}

}  // namespace

CodexNotifyHelper::Plan CodexNotifyHelper::plan(const std::vector<std::string>& args,
                                                const std::filesystem::path& folder)
{
    Plan plan;
    if (args.empty())
        return plan;
    const std::string& json = args.back();
    if (args.size() > 1)
        plan.previous = args;
    if (json.size() > maxJSON)
        return plan;
    Json parsed = Json::parse(json, nullptr, false);
    if (!parsed.is_object())
        return plan;
    auto type = parsed.find("type");
    if (type == parsed.end() || !type->is_string() || type->get<std::string>() != turnComplete)
        return plan;
    std::filesystem::path where = folder;
    if (auto cwd = parsed.find("cwd"); cwd != parsed.end() && cwd->is_string() && !cwd->get<std::string>().empty())
        where = cwd->get<std::string>();
    plan.event = Json{{"agent", "codex"}, {"event", "stop"}, {"project", projectName(where)}}.dump();
    return plan;
}

std::string CodexNotifyHelper::fileName(long pid, WallTime now)
{
    return fmt::format("codex-{}-{}.json", pid, static_cast<long long>(std::floor(now.unixSeconds())));
}

bool CodexNotifyHelper::isInboxFile(std::string_view name)
{
    return ClaudeHookInbox::isInboxFile(name) == AgentKind::codex;
}

std::optional<std::string> CodexNotifyHelper::parse(std::string_view data)
{
    auto event = ClaudeHookInbox::parse(data, AgentKind::codex, WallTime::fromUnixSeconds(0));
    if (!event)
        return std::nullopt;
    return event->event.project;
}

}  // namespace corvane
