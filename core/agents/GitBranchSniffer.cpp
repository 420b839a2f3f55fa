#include "core/agents/GitBranchSniffer.h"

#include "core/agents/ByteSearch.h"
#include "core/base/JsonStore.h"

namespace corvane {

namespace {

constexpr std::string_view subagentsMarker = "/subagents/";

// The JSON string starting just after an opening quote at `start`: runs to
// the first unescaped quote, unescaped, non-empty, cut to maxLength.
std::optional<std::string> stringValueAt(std::string_view line, std::size_t start)
{
    std::size_t end = start;
    while (end < line.size() && line[end] != '"')
        end += line[end] == '\\' ? 2 : 1;
    if (end >= line.size())
        return std::nullopt;
    std::string quoted;
    quoted.reserve(end - start + 2);
    quoted.push_back('"');
    quoted.append(line.substr(start, end - start));
    quoted.push_back('"');
    Json decoded = Json::parse(quoted, nullptr, false);
    if (decoded.is_discarded() || !decoded.is_string())
        return std::nullopt;
    auto text = decoded.get<std::string>();
    if (text.empty())
        return std::nullopt;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters == GitBranchSniffer::maxLength) {
            text.resize(i);
            break;
        }
        ++characters;
    }
    return text;
}

// Position just past `"branch":"` among the direct members of the object
// whose "{" is at `open`, or npos.
std::size_t branchValueInObject(std::string_view line, std::size_t open)
{
    static constexpr std::string_view key = "\"branch\":\"";
    int depth = 0;
    for (std::size_t i = open; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            if (depth == 1 && line.substr(i, key.size()) == key)
                return i + key.size();
            // skip the whole string, keys and values alike
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\')
                    ++i;
            }
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<std::string> GitBranchSniffer::branch(std::string_view line, AgentKind agent)
{
    switch (agent) {
    case AgentKind::claudeCode: {
        static constexpr std::string_view key = "\"gitBranch\":\"";
        auto at = line.find(key);
        if (at == std::string_view::npos)
            return std::nullopt;
        return stringValueAt(line, at + key.size());
    }
    case AgentKind::codex: {
        static constexpr std::string_view git = "\"git\":{";
        if (!containsBytes(line, "\"type\":\"session_meta\""))
            return std::nullopt;
        auto at = line.find(git);
        if (at == std::string_view::npos)
            return std::nullopt;
        auto value = branchValueInObject(line, at + git.size() - 1);
        if (value == std::string_view::npos)
            return std::nullopt;
        return stringValueAt(line, value);
    }
    case AgentKind::cursor:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> GitBranchSniffer::sessionBranch(std::string_view path, std::optional<std::string> branch)
{
    if (path.find(subagentsMarker) != std::string_view::npos)
        return std::nullopt;
    return branch;
}

}  // namespace corvane
