#include "core/agents/ClaudeSettingsFile.h"

#include "core/agents/IntegrationFile.h"
#include "core/base/Files.h"

namespace corvane::ClaudeSettingsFile {

namespace fs = std::filesystem;

namespace {

struct Layout {
    int indent = 2;  // -1: one line
    char indentChar = ' ';
    bool finalNewline = true;
};

Layout layoutOf(const std::optional<std::string>& previous)
{
    Layout layout;
    if (!previous || isBlank(*previous))
        return layout;
    layout.finalNewline = previous->ends_with('\n');
    // The first indented line tells the indentation of one level.
    for (std::size_t at = previous->find('\n'); at != std::string::npos; at = previous->find('\n', at + 1)) {
        std::size_t start = at + 1;
        std::size_t end = previous->find_first_not_of(" \t", start);
        if (end == std::string::npos || end == start || (*previous)[end] == '\n' || (*previous)[end] == '\r')
            continue;
        layout.indentChar = (*previous)[start];
        layout.indent = static_cast<int>(end - start);
        return layout;
    }
    // No indented line: a one-line file stays on one line, "{}" grows as new.
    auto trimmed = previous->substr(0, previous->find_last_not_of(" \t\r\n") + 1);
    if (trimmed != "{}")
        layout.indent = -1;
    return layout;
}

}  // namespace

fs::path path(const IntegrationEnv& env)
{
    if (auto folder = env.variable("CLAUDE_CONFIG_DIR"))
        return fs::path(*folder) / "settings.json";
    return env.home / ".claude" / "settings.json";
}

Result<Loaded> load(const fs::path& path)
{
    std::string name = path.filename().string();
    auto bytes = IntegrationFile::read(path);
    if (!bytes)
        return fail(bytes.error());
    if (!*bytes)
        return Loaded{std::nullopt, Document::object()};
    if (isBlank(**bytes))
        return Loaded{std::move(*bytes), Document::object()};
    Document document = Document::parse(**bytes, nullptr, false);
    if (document.is_discarded())
        return fail(integrationRefusal(name + " isn't valid JSON · Claude Code ignores what's in it"));
    if (!document.is_object())
        return fail(integrationRefusal(name + " isn't a JSON object, so Lunebox won't edit it"));
    return Loaded{std::move(*bytes), std::move(document)};
}

std::string dump(const Document& document, const std::optional<std::string>& previous)
{
    Layout layout = layoutOf(previous);
    std::string text = document.dump(layout.indent, layout.indentChar, false, nlohmann::json::error_handler_t::replace);
    if (layout.finalNewline)
        text.push_back('\n');
    return text;
}

WriteResult installation(const fs::path& path, const Document& document, Loaded loaded, InstallRecord record)
{
    std::string text = dump(document, loaded.text);
    return WriteResult{path.string(), std::move(text), std::move(loaded.text), std::move(record)};
}

WriteResult removal(const fs::path& path, const Document& document, Loaded loaded, const InstallRecord& record)
{
    std::string text = record.createdFile && document.empty() ? std::string() : dump(document, loaded.text);
    return WriteResult{path.string(), std::move(text), std::move(loaded.text), record};
}

}  // namespace corvane::ClaudeSettingsFile
