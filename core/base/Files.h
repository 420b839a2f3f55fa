#pragma once
// File helpers shared by every store: capped reads, atomic writes with a
// fixed mode, and moving an unreadable file aside so the user's data is
// never overwritten by an empty store.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

// Where the file lives: a folder other processes of the user write into
// (an inbox) must not make us follow a link or block on a FIFO.
enum class ReadFrom { OwnFolder, SharedFolder };

// Reads the whole file, refusing anything larger than maxBytes before reading it.
// From a shared folder only regular files are read, and links are not followed.
Result<std::string> readFileCapped(const std::filesystem::path& path, std::size_t maxBytes,
                                   ReadFrom from = ReadFrom::OwnFolder);

// Replaces the file in one rename so readers see the old or the new bytes,
// never a mix. Creates missing parent folders with mode 0700.
Result<void> writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode = 0600);

// Creates the folder and its missing parents with the given mode.
Result<void> createDirectories(const std::filesystem::path& path, mode_t mode = 0700);

// "<name>.corrupt-yyyyMMdd-HHmmss" beside the file.
std::filesystem::path quarantinePath(const std::filesystem::path& path, WallTime now, const Calendar& calendar);

// Moves the file to its quarantine name, replacing an older file of that name.
Result<std::filesystem::path> quarantineFile(const std::filesystem::path& path, WallTime now, const Calendar& calendar);

// True for "", or only spaces, tabs, line feeds and carriage returns.
bool isBlank(std::string_view text);

}  // namespace corvane
