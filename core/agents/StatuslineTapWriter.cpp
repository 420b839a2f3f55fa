#include "core/agents/StatuslineTapWriter.h"

#include <algorithm>

#include "core/agents/ClaudeSettingsFile.h"
#include "core/agents/ShellHookSnippets.h"

namespace corvane {

namespace fs = std::filesystem;
using Document = ClaudeSettingsFile::Document;

namespace {

constexpr std::string_view editedSentence =
    "Lunebox's statusline was edited after connecting — set it back or edit it by hand";
constexpr std::string_view goneSentence = "That statusline isn't in the file any more";
constexpr std::string_view tangledSentence = "Lunebox couldn't remove just its statusline, so it left the file alone";

bool take(std::string_view& text, std::string_view literal)
{
    if (!text.starts_with(literal))
        return false;
    text.remove_prefix(literal.size());
    return true;
}

// One word as ShellHookSnippets::quoted writes it: quoted pieces joined by \'.
std::optional<std::string> takeQuoted(std::string_view& text)
{
    std::string word;
    bool quoted = false;
    for (;;) {
        if (text.starts_with('\'')) {
            auto end = text.find('\'', 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            word.append(text.substr(1, end - 1));
            text.remove_prefix(end + 1);
            quoted = true;
        } else if (quoted && take(text, "\\'")) {
            word.push_back('\'');
        } else {
            break;
        }
    }
    return quoted ? std::optional(word) : std::nullopt;
}

struct Tap {
    std::string helper;
    std::optional<std::string> wrapped;
};

std::optional<Tap> parseTap(std::string_view text)
{
    Tap tap;
    if (take(text, "if [ -x ")) {
        auto tested = takeQuoted(text);
        if (!tested || !take(text, " ]; then exec "))
            return std::nullopt;
        auto helper = takeQuoted(text);
        if (!helper || *helper != *tested)
            return std::nullopt;
        tap.helper = *helper;
        if (take(text, " --wrap ")) {
            auto wrapped = takeQuoted(text);
            if (!wrapped || !take(text, "; else exec /bin/sh -c "))
                return std::nullopt;
            auto fallback = takeQuoted(text);
            if (!fallback || *fallback != *wrapped)
                return std::nullopt;
            tap.wrapped = std::move(wrapped);
        }
        if (!take(text, "; fi"))
            return std::nullopt;
    } else {
        auto helper = takeQuoted(text);
        if (!helper)
            return std::nullopt;
        tap.helper = *helper;
        if (take(text, " --wrap ")) {
            tap.wrapped = takeQuoted(text);
            if (!tap.wrapped)
                return std::nullopt;
        }
    }
    if (!text.empty() && text != " " + std::string(StatuslineTapWriter::marker))
        return std::nullopt;
    return tap;
}

bool marked(const std::string& command) { return command.find(StatuslineTapWriter::marker) != std::string::npos; }

// The statusline command, when `statusLine` is an object holding one.
std::optional<std::string> currentCommand(const Document& document)
{
    auto member = document.find(StatuslineTapWriter::memberKey);
    if (member == document.end() || !member->is_object())
        return std::nullopt;
    auto command = member->find("command");
    if (command == member->end() || !command->is_string())
        return std::nullopt;
    return command->get<std::string>();
}

}  // namespace

std::string StatuslineTapWriter::command(const std::optional<std::string>& existing) const
{
    std::string helper = ShellHookSnippets::quoted(env_.helperPath);
    std::string tap = "if [ -x " + helper + " ]; then exec " + helper;
    if (existing) {
        std::string user = ShellHookSnippets::quoted(*existing);
        tap += " --wrap " + user + "; else exec /bin/sh -c " + user;
    }
    return tap + "; fi " + std::string(marker);
}

std::optional<std::string> StatuslineTapWriter::original(std::string_view tap)
{
    auto parsed = parseTap(tap);
    return parsed ? parsed->wrapped : std::nullopt;
}

fs::path StatuslineTapWriter::path() const { return ClaudeSettingsFile::path(env_); }

Result<WriteResult> StatuslineTapWriter::install() const
{
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return fail(loaded.error());
    Document document = std::move(loaded->document);
    InstallRecord record;
    record.createdFile = !loaded->text;
    std::string tap;
    auto existing = currentCommand(document);
    if (existing && marked(*existing)) {
        // Ours already, perhaps around an older helper path: keep what it wraps.
        auto parsed = parseTap(*existing);
        if (!parsed)
            return fail(integrationRefusal(std::string(editedSentence)));
        tap = command(parsed->wrapped);
        if (parsed->wrapped)
            record.replacedRaw.emplace(commandKey, Document(*parsed->wrapped).dump());
        document[memberKey]["command"] = tap;
    } else if (existing) {
        tap = command(existing);
        record.replacedRaw.emplace(commandKey, document[memberKey]["command"].dump());
        document[memberKey]["command"] = tap;
    } else {
        tap = command(std::nullopt);
        if (document.contains(memberKey))
            record.replacedRaw.emplace(memberKey, document[memberKey].dump());
        document[memberKey] = Document{{"type", "command"}, {"command", tap}};
    }
    record.created.push_back(tap);
    return ClaudeSettingsFile::installation(path(), document, std::move(*loaded), std::move(record));
}

Result<WriteResult> StatuslineTapWriter::uninstall(const InstallRecord& record) const
{
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return fail(loaded.error());
    Document document = std::move(loaded->document);
    auto existing = currentCommand(document);
    if (!loaded->text || !existing)
        return fail(integrationRefusal(std::string(goneSentence)));
    if (std::find(record.created.begin(), record.created.end(), *existing) == record.created.end())
        return fail(integrationRefusal(std::string(marked(*existing) ? editedSentence : goneSentence)));
    auto restored = [&](std::string_view key) -> std::optional<Document> {
        auto raw = record.replacedRaw.find(std::string(key));
        if (raw == record.replacedRaw.end())
            return std::nullopt;
        return Document::parse(raw->second, nullptr, false);
    };
    if (auto previous = restored(commandKey)) {
        if (previous->is_discarded())
            return fail(integrationRefusal(std::string(tangledSentence)));
        document[memberKey]["command"] = std::move(*previous);
    } else if (auto member = restored(memberKey)) {
        if (member->is_discarded())
            return fail(integrationRefusal(std::string(tangledSentence)));
        document[memberKey] = std::move(*member);
    } else {
        document.erase(memberKey);
    }
    return ClaudeSettingsFile::removal(path(), document, std::move(*loaded), record);
}

ConnectionStatus StatuslineTapWriter::status() const
{
    using State = ConnectionStatus::State;
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return {State::unavailable, loaded.error().context, {}};
    auto existing = currentCommand(loaded->document);
    if (!existing || !marked(*existing))
        return {State::disconnected, "Lunebox's statusline is disconnected", " · Claude limits stop updating"};
    auto parsed = parseTap(*existing);
    if (parsed && parsed->helper != env_.helperPath)
        return {State::outdated, "Lunebox's statusline needs an update", " · Claude limits stop updating"};
    if (!parsed || command(parsed->wrapped) != *existing)
        return {State::edited, "Lunebox's statusline was edited",
                " · set it back by hand, or reconnect in Settings › Integrations"};
    return {State::connected, "Lunebox's statusline is connected", {}};
}

}  // namespace corvane
