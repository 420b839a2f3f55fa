#include "core/notch/LegacyMigration.h"

#include <fmt/format.h>
#include <sys/stat.h>

#include "core/base/Files.h"
#include "core/base/Log.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/KeychainAccess.h"

namespace corvane::LegacyMigration {

namespace fs = std::filesystem;

namespace {

constexpr mode_t fallbackFolderMode = 0700;

Failure failure(const char* operation, const fs::path& path, const std::error_code& error)
{
    return fail(Error::fromErrno(operation, path.string(), error.value()));
}

// Creates one folder (its parent must exist) with exactly the given mode.
Result<void> makeFolder(const fs::path& path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) != 0)
        return fail(Error::fromErrno("create folder", path.string()));
    // mkdir applies the umask; the copy keeps the source's mode.
    if (::chmod(path.c_str(), mode) != 0)
        return fail(Error::fromErrno("chmod", path.string()));
    return {};
}

Result<mode_t> folderMode(const fs::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return fail(Error::fromErrno("read attributes", path.string()));
    mode_t mode = info.st_mode & 07777;
    return mode != 0 ? mode : fallbackFolderMode;
}

// Copies a file or a symbolic link; other kinds (sockets, pipes) are not data.
Result<bool> copyEntry(const fs::path& source, fs::file_type type, const fs::path& destination)
{
    std::error_code error;
    if (type == fs::file_type::symlink) {
        fs::copy_symlink(source, destination, error);
        if (error)
            return failure("copy", source, error);
        return true;
    }
    if (type != fs::file_type::regular)
        return false;
    fs::copy_file(source, destination, error);
    if (error)
        return failure("copy", source, error);
    return true;
}

}  // namespace

bool isTrivialFile(const fs::path& file)
{
    auto text = readFileCapped(file, 16);
    if (!text)
        return false;
    std::string_view trimmed = *text;
    constexpr std::string_view whitespace = " \t\n\r\v\f";
    auto first = trimmed.find_first_not_of(whitespace);
    if (first == std::string_view::npos)
        return true;
    trimmed = trimmed.substr(first, trimmed.find_last_not_of(whitespace) - first + 1);
    return trimmed == "[]" || trimmed == "{}";
}

Result<int> merge(const fs::path& from, const fs::path& to, bool topLevel)
{
    std::error_code error;
    fs::directory_iterator entries(from, error);
    if (error)
        return failure("list", from, error);
    int count = 0;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (error)
            return failure("list", from, error);
        const fs::path& source = entries->path();
        std::string name = source.filename().string();
        // The inbox holds events for the running program, not data; ".sb-"
        // names are temporary files of interrupted safe saves.
        if ((topLevel && name == "inbox") || name.find(".sb-") != std::string::npos)
            continue;
        fs::path destination = to / name;
        fs::file_status sourceStatus = fs::symlink_status(source, error);
        if (error)
            return failure("read attributes", source, error);
        fs::file_status destinationStatus = fs::symlink_status(destination, error);
        bool destinationExists = fs::exists(destinationStatus);

        if (fs::is_directory(sourceStatus)) {
            if (destinationExists && !fs::is_directory(destinationStatus))
                continue;
            if (!destinationExists) {
                auto mode = folderMode(source);
                if (!mode)
                    return fail(mode.error());
                if (auto made = makeFolder(destination, *mode); !made)
                    return fail(made.error());
                ++count;
            }
            auto nested = merge(source, destination, false);
            if (!nested)
                return nested;
            count += *nested;
            continue;
        }

        if (destinationExists) {
            if (fs::is_directory(destinationStatus) || !isTrivialFile(destination) || isTrivialFile(source))
                continue;
            fs::remove(destination, error);
            if (error)
                return failure("replace", destination, error);
        }
        auto copied = copyEntry(source, sourceStatus.type(), destination);
        if (!copied)
            return fail(copied.error());
        if (*copied)
            ++count;
    }
    return count;
}

std::optional<Report> run(DefaultsDomain* old, DefaultsDomain& into, const fs::path& oldFolder,
                          const fs::path& newFolder)
{
    const std::string marker(markerKey);
    if (into.plainFlag(marker))
        return std::nullopt;

    Report report;
    if (old != nullptr) {
        std::vector<DefaultsDomain::Change> changes;
        for (const auto& key : old->keys()) {
            if (auto value = old->value(key))
                changes.push_back({key, std::move(*value)});
        }
        (void)into.apply(changes);  // a failed save is logged by the domain; the values are in effect
        report.keys = static_cast<int>(changes.size());
    }

    std::error_code error;
    if (fs::exists(oldFolder, error)) {
        bool newFolderExisted = fs::exists(newFolder, error);
        auto copyFolder = [&]() -> Result<int> {
            if (!newFolderExisted) {
                auto mode = folderMode(oldFolder);
                if (!mode)
                    return fail(mode.error());
                if (auto parents = createDirectories(newFolder.parent_path()); !parents)
                    return fail(parents.error());
                if (auto made = makeFolder(newFolder, *mode); !made)
                    return fail(made.error());
            }
            return merge(oldFolder, newFolder, true);
        };
        auto copied = copyFolder();
        if (copied) {
            report.copiedItems = *copied;
            report.copiedFolder = *copied >= 1;
        } else {
            if (!newFolderExisted)
                fs::remove_all(newFolder, error);
            report.folderError = copied.error().message();
        }
    }

    (void)into.setPlain(marker, true);
    return report;
}

std::string logLine(const Report& report)
{
    std::string folder = report.copiedFolder ? fmt::format("{} items copied", report.copiedItems) : "not copied";
    std::string error = report.folderError ? " (" + *report.folderError + ")" : "";
    return fmt::format("corvane migration: {} prefs copied, data folder {}{}", report.keys, folder, error);
}

std::optional<Report> runAtLaunch(const KnownPaths& paths, DefaultsDomain& into)
{
    if (paths.applicationID() != KeychainAccess::realBundleID || paths.isHarness())
        return std::nullopt;
    std::optional<FileDefaultsDomain> old;
    std::error_code error;
    if (fs::exists(paths.legacySettingsFile(), error))
        old.emplace(paths.legacySettingsFile());
    auto report = run(old ? &*old : nullptr, into, paths.legacyDataFolder(), paths.appSupport());
    if (report)
        Logger("migration").info("{}", logLine(*report));
    return report;
}

}  // namespace corvane::LegacyMigration
