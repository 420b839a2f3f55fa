#pragma once
// Writing another tool's file: only a regular file the user can write
// (never through a link), replaced through a temporary file beside it that
// carries the target's mode, so the tool reads the old or the new text and
// never half of one. Refusals carry the sentence for the user.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Result.h"

namespace corvane::IntegrationFile {

inline constexpr std::size_t maxBytes = 4 * 1024 * 1024;

// Refuses links, other kinds of files and read-only files; a missing file
// may be created.
Result<void> checkEditable(const std::filesystem::path& path);
// The file's text; nothing when it does not exist.
Result<std::optional<std::string>> read(const std::filesystem::path& path);
// ".<name>.corvane-<unique>.tmp" beside the target, renamed over it.
Result<void> replace(const std::filesystem::path& path, std::string_view text);
// Deletes a file the app created; one already gone is not an error.
Result<void> remove(const std::filesystem::path& path);

// "Couldn't write the file: " and the error.
Error writeFailure(const Error& error);

}  // namespace corvane::IntegrationFile
