#pragma once
// Claude Code's user settings file as the integrations edit it: parsed
// keeping every member in its order, and written back in the file's own
// indentation and final line feed, so that removing what was added gives
// the user's bytes again whenever the file was in that layout before.

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"

namespace corvane::ClaudeSettingsFile {

using Document = nlohmann::ordered_json;

// settings.json in $CLAUDE_CONFIG_DIR, else in ~/.claude.
std::filesystem::path path(const IntegrationEnv& env);

struct Loaded {
    std::optional<std::string> text;  // nothing: the file does not exist
    Document document;                // an object; empty for a new or blank file
};

// Refuses, with the sentence for the user, a file that cannot be read,
// is not JSON or is not a JSON object.
Result<Loaded> load(const std::filesystem::path& path);

// The document in the layout of `previous` (its indentation, compact when
// it was on one line, and its final line feed); two spaces for a new file.
std::string dump(const Document& document, const std::optional<std::string>& previous);

// What an install writes: the document in the file's layout, with the
// bytes it replaces.
WriteResult installation(const std::filesystem::path& path, const Document& document, Loaded loaded,
                         InstallRecord record);

// What an uninstall leaves: nothing at all when the app created the file
// and took everything out again, else the document in the file's layout.
WriteResult removal(const std::filesystem::path& path, const Document& document, Loaded loaded,
                    const InstallRecord& record);

}  // namespace corvane::ClaudeSettingsFile
