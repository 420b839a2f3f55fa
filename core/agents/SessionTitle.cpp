#include "core/agents/SessionTitle.h"

#include <array>

#include "core/agents/AgentText.h"
#include "core/agents/ByteSearch.h"
#include "core/agents/GitBranchSniffer.h"
#include "core/agents/Iso8601.h"
#include "core/agents/LineFilter.h"
#include "core/agents/TranscriptWindow.h"
#include "core/base/JsonStore.h"
#include "core/base/Utf8.h"

namespace corvane {

namespace {

std::optional<Json> decode(std::string_view line)
{
    if (!LineFilter::accepts(line))
        return std::nullopt;
    Json json = Json::parse(line, nullptr, false);
    return json.is_object() ? std::optional(std::move(json)) : std::nullopt;
}

std::optional<std::string> text(const Json& object, const char* key)
{
    if (!object.is_object())
        return std::nullopt;
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? std::optional(found->get<std::string>()) : std::nullopt;
}

bool flag(const Json& object, const char* key)
{
    auto found = object.find(key);
    return found != object.end() && *found == true;
}

// The first text of a message's content: a plain string, or the first
// block of one of the given types that cleans to something.
std::optional<std::string> contentText(const Json& content, std::string_view blockType)
{
    if (content.is_string())
        return SessionTitle::clean(content.get<std::string>());
    if (!content.is_array())
        return std::nullopt;
    for (const Json& block : content) {
        if (text(block, "type") != blockType)
            continue;
        if (auto cleaned = SessionTitle::clean(text(block, "text").value_or("")))
            return cleaned;
    }
    return std::nullopt;
}

std::optional<std::string> lastSummary(std::string_view lines)
{
    std::optional<std::string> found;
    TranscriptWindow::forEachLine(lines, [&](std::string_view line) {
        if (!containsBytes(line, "\"summary\""))
            return;
        auto json = decode(line);
        if (json && text(*json, "type") == "summary") {
            if (auto cleaned = SessionTitle::clean(text(*json, "summary").value_or("")))
                found = cleaned;
        }
    });
    return found;
}

template <typename Pick>
std::optional<std::string> firstOf(std::string_view lines, Pick pick)
{
    std::optional<std::string> found;
    TranscriptWindow::forEachLine(lines, [&](std::string_view line) {
        if (!found)
            found = pick(line);
    });
    return found;
}

std::optional<std::string> firstBranch(std::string_view lines, AgentKind agent)
{
    return firstOf(lines, [&](std::string_view line) { return GitBranchSniffer::branch(line, agent); });
}

std::optional<std::string> claudePrompt(std::string_view line)
{
    if (!containsBytes(line, "\"user\""))
        return std::nullopt;
    auto json = decode(line);
    if (!json || text(*json, "type") != "user" || flag(*json, "isMeta") || flag(*json, "isSidechain"))
        return std::nullopt;
    auto message = json->find("message");
    if (message == json->end() || !message->is_object() || !message->contains("content"))
        return std::nullopt;
    return contentText((*message)["content"], "text");
}

std::optional<std::string> codexPrompt(std::string_view line)
{
    if (!containsAnyBytes(line, {"\"user_message\"", "\"user\""}))
        return std::nullopt;
    auto json = decode(line);
    if (!json || !json->contains("payload"))
        return std::nullopt;
    const Json& payload = (*json)["payload"];
    auto type = text(*json, "type");
    auto kind = text(payload, "type");
    if (type == "event_msg" && kind == "user_message")
        return SessionTitle::clean(text(payload, "message").value_or(""));
    if (type == "response_item" && kind == "message" && text(payload, "role") == "user" && payload.contains("content"))
        return contentText(payload["content"], "input_text");
    return std::nullopt;
}

}  // namespace

std::optional<std::string> SessionTitle::clean(std::string_view raw)
{
    static constexpr std::array<std::string_view, 3> notes{"<", "Caveat:", "[Request interrupted"};
    std::string text = AgentText::collapsed(raw);
    for (std::string_view note : notes) {
        if (std::string_view(text).starts_with(note))
            return std::nullopt;
    }
    // Markdown headings, quotes and bullets say nothing in a one-line title.
    std::size_t body = text.find_first_not_of("#>*- ");
    text.erase(0, body == std::string::npos ? text.size() : body);
    text = utf8Prefix(text, maxLength);
    return text.empty() ? std::nullopt : std::optional(std::move(text));
}

SessionTitle::Meta SessionTitle::claude(std::string_view head, std::string_view tail)
{
    Meta meta;
    meta.title = lastSummary(tail);
    if (!meta.title)
        meta.title = lastSummary(head);
    if (!meta.title)
        meta.title = firstOf(head, claudePrompt);
    meta.start = start(head);
    meta.branch = firstBranch(head, AgentKind::claudeCode);
    if (!meta.branch)
        meta.branch = firstBranch(tail, AgentKind::claudeCode);
    return meta;
}

SessionTitle::Meta SessionTitle::codex(std::string_view head)
{
    return Meta{firstOf(head, codexPrompt), start(head), firstBranch(head, AgentKind::codex)};
}

std::optional<WallTime> SessionTitle::start(std::string_view head)
{
    std::optional<WallTime> found;
    TranscriptWindow::forEachLine(head, [&](std::string_view line) {
        if (found || !containsBytes(line, "\"timestamp\""))
            return;
        if (auto json = decode(line)) {
            if (auto stamp = text(*json, "timestamp"))
                found = parseTranscriptTimestamp(*stamp);
        }
    });
    return found;
}

SessionTitle::Meta SessionTitle::read(const std::filesystem::path& path, AgentKind agent)
{
    std::string head = TranscriptWindow::read(path, TranscriptWindow::End::head, windowBytes);
    if (agent != AgentKind::claudeCode)
        return codex(head);
    return claude(head, TranscriptWindow::read(path, TranscriptWindow::End::tail, windowBytes));
}

}  // namespace corvane
