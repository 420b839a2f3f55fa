#include "core/agents/ClaudeHooksWriter.h"

#include <algorithm>
#include <functional>

#include "core/agents/ClaudeSettingsFile.h"

namespace corvane {

namespace fs = std::filesystem;
using Document = ClaudeSettingsFile::Document;

namespace {

constexpr std::string_view hooksKey = "hooks";
constexpr std::string_view editedSentence =
    "Lunebox's hooks were edited after connecting — remove them by hand, then connect again";
constexpr std::string_view goneSentence = "That hook isn't in the file any more";
constexpr std::string_view tangledSentence = "Lunebox couldn't remove just that hook, so it left the file alone";

enum class Mark { none, current, older, edited };

// What a hook entry of the `event` list is to us.
Mark markOf(const Document& entry, ClaudeHookEvent::Kind event)
{
    if (!entry.is_object())
        return Mark::none;
    auto command = entry.find("command");
    if (command == entry.end() || !command->is_string())
        return Mark::none;
    const auto& text = command->get_ref<const std::string&>();
    if (text.find(ClaudeHooksWriter::marker) == std::string::npos)
        return Mark::none;
    if (text == ClaudeHooksWriter::command(event))
        return Mark::current;
    std::string ending = "; exit 0 " + std::string(ClaudeHooksWriter::marker);
    return text.starts_with("{ d=\"") && text.ends_with(ending) ? Mark::older : Mark::edited;
}

// Calls `visit` with every hook entry of one event's list (a list of
// matcher groups, each with a `hooks` list); false when the list is not
// in that shape.
bool forEachEntry(Document& list, const std::function<void(Document& group, Document& entry)>& visit)
{
    if (!list.is_array())
        return false;
    for (Document& group : list) {
        if (!group.is_object())
            continue;
        auto entries = group.find(hooksKey);
        if (entries == group.end() || !entries->is_array())
            continue;
        for (Document& entry : *entries)
            visit(group, entry);
    }
    return true;
}

std::string containerPath(std::string_view name) { return std::string(hooksKey) + "." + std::string(name); }

bool recorded(const InstallRecord& record, const std::string& text)
{
    return std::find(record.created.begin(), record.created.end(), text) != record.created.end();
}

}  // namespace

std::string ClaudeHooksWriter::command(ClaudeHookEvent::Kind event)
{
    return ClaudeHookInbox::hookCommand(event) + " " + std::string(marker);
}

fs::path ClaudeHooksWriter::path() const { return ClaudeSettingsFile::path(env_); }

Result<WriteResult> ClaudeHooksWriter::install() const
{
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return fail(loaded.error());
    Document document = std::move(loaded->document);
    InstallRecord record;
    record.createdFile = !loaded->text;
    if (!document.contains(hooksKey)) {
        document[std::string(hooksKey)] = Document::object();
        record.created.push_back(std::string(hooksKey));
    }
    Document& hooks = document[std::string(hooksKey)];
    if (!hooks.is_object())
        return fail(integrationRefusal("\"hooks\" in settings.json isn't an object, so Lunebox won't edit it"));
    for (auto [name, event] : hookEvents) {
        std::string wanted = command(event);
        if (!hooks.contains(name)) {
            hooks[std::string(name)] = Document::array();
            record.created.push_back(containerPath(name));
        }
        bool present = false;
        bool edited = false;
        Document* older = nullptr;
        bool listed = forEachEntry(hooks[std::string(name)], [&, event = event](Document&, Document& entry) {
            switch (markOf(entry, event)) {
            case Mark::current: present = true; break;
            case Mark::older: older = &entry; break;
            case Mark::edited: edited = true; break;
            case Mark::none: break;
            }
        });
        if (!listed)
            return fail(integrationRefusal("\"" + std::string(name) + "\" in settings.json isn't a list, so Lunebox won't edit it"));
        if (edited)
            return fail(integrationRefusal(std::string(editedSentence)));
        record.created.push_back(wanted);
        if (present)
            continue;
        if (older != nullptr) {
            (*older)["command"] = wanted;
            continue;
        }
        Document entry = {{"type", "command"}, {"command", wanted}};
        hooks[std::string(name)].push_back(Document{{std::string(hooksKey), Document::array({entry})}});
    }
    return ClaudeSettingsFile::installation(path(), document, std::move(*loaded), std::move(record));
}

Result<WriteResult> ClaudeHooksWriter::uninstall(const InstallRecord& record) const
{
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return fail(loaded.error());
    if (!loaded->text)
        return fail(integrationRefusal(std::string(goneSentence)));
    Document document = std::move(loaded->document);
    auto hooks = document.find(hooksKey);
    if (hooks == document.end())
        return fail(integrationRefusal(std::string(goneSentence)));
    if (!hooks->is_object())
        return fail(integrationRefusal(std::string(tangledSentence)));
    int removed = 0;
    for (auto [name, event] : hookEvents) {
        auto list = hooks->find(name);
        if (list == hooks->end())
            continue;
        bool edited = false;
        bool listed = forEachEntry(*list, [&, event = event](Document&, Document& entry) {
            if (markOf(entry, event) != Mark::none && !recorded(record, entry["command"].get<std::string>()))
                edited = true;
        });
        if (!listed)
            return fail(integrationRefusal(std::string(tangledSentence)));
        if (edited)
            return fail(integrationRefusal(std::string(editedSentence)));
        // Ours are exactly the recorded commands; a group left empty goes too.
        for (std::size_t g = list->size(); g-- > 0;) {
            Document& group = (*list)[g];
            if (!group.is_object() || !group.contains(hooksKey) || !group[std::string(hooksKey)].is_array())
                continue;
            Document& entries = group[std::string(hooksKey)];
            std::size_t before = entries.size();
            for (std::size_t e = entries.size(); e-- > 0;) {
                if (markOf(entries[e], event) != Mark::none)
                    entries.erase(e);
            }
            removed += static_cast<int>(before - entries.size());
            if (before != entries.size() && entries.empty())
                list->erase(g);
        }
        if (list->empty() && recorded(record, containerPath(name)))
            hooks->erase(list);
    }
    if (removed == 0)
        return fail(integrationRefusal(std::string(goneSentence)));
    if (hooks->empty() && recorded(record, std::string(hooksKey)))
        document.erase(hooks);
    return ClaudeSettingsFile::removal(path(), document, std::move(*loaded), record);
}

ConnectionStatus ClaudeHooksWriter::status() const
{
    using State = ConnectionStatus::State;
    auto loaded = ClaudeSettingsFile::load(path());
    if (!loaded)
        return {State::unavailable, loaded.error().context, {}};
    int current = 0;
    bool older = false;
    bool edited = false;
    auto hooks = loaded->document.find(hooksKey);
    if (hooks != loaded->document.end() && hooks->is_object()) {
        for (auto [name, event] : hookEvents) {
            auto list = hooks->find(name);
            if (list == hooks->end())
                continue;
            bool found = false;
            forEachEntry(*list, [&, event = event](Document&, Document& entry) {
                switch (markOf(entry, event)) {
                case Mark::current: found = true; break;
                case Mark::older: older = true; break;
                case Mark::edited: edited = true; break;
                case Mark::none: break;
                }
            });
            current += found ? 1 : 0;
        }
    }
    if (edited)
        return {State::edited, "Lunebox's Claude hooks were edited",
                " · fix them by hand, or remove and connect again in Settings › Integrations"};
    if (current == static_cast<int>(hookEvents.size()))
        return {State::connected, "Lunebox's Claude hooks are connected", {}};
    if (older)
        return {State::outdated, "Lunebox's Claude hooks need an update",
                " · alerts from Claude Code come late or not at all"};
    return {State::missing, "Lunebox's Claude hooks are missing", {}};
}

}  // namespace corvane
