#pragma once
// The one-time move from the program's former identity: its preferences
// are copied into the current settings and its data folder is merged into
// the current one, without ever overwriting real data. A marker makes it run
// at most once per user, also when it failed.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Result.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/KnownPaths.h"

namespace corvane::LegacyMigration {

inline constexpr std::string_view oldBundleID = "com.corvane.app";
inline constexpr std::string_view oldDataFolder = KnownPaths::legacyFolder;
inline constexpr std::string_view markerKey = "corvane.internal.legacyMigrated";

struct Report {
    int keys = 0;              // preference entries copied
    bool copiedFolder = false;
    int copiedItems = 0;       // files and folders created in the new folder
    std::optional<std::string> folderError;

    bool operator==(const Report&) const = default;
};

// Nothing when the marker says it already ran. `old` is the former
// preference domain, null when there is none.
std::optional<Report> run(DefaultsDomain* old, DefaultsDomain& into, const std::filesystem::path& oldFolder,
                          const std::filesystem::path& newFolder);

// Merges one folder into another; returns how many files and folders it
// created or replaced. The first error ends the merge.
Result<int> merge(const std::filesystem::path& from, const std::filesystem::path& to, bool topLevel);

// Smaller than 17 bytes and, trimmed of white space, "", "[]" or "{}".
bool isTrivialFile(const std::filesystem::path& file);

// "corvane migration: 3 prefs copied, data folder 5 items copied".
std::string logLine(const Report& report);

// The launch step: runs only when `paths` are those of the real application
// id outside a harness run, reading the former settings file when it exists, and logs the
// report under the category "migration".
std::optional<Report> runAtLaunch(const KnownPaths& paths, DefaultsDomain& into);

}  // namespace corvane::LegacyMigration
