#pragma once
// What the launch check needs to know about the installed helper's file
// before trusting it: only root may have written it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>

namespace corvane {

struct InstalledHelperFile {
    bool isRegularFile = false;
    std::uint32_t ownerUID = 0;
    std::uint32_t permissions = 0;  // mode bits, 07777

    // None when nothing is at the path. Links are not followed: a link in
    // place of the helper is not a regular file.
    static std::optional<InstalledHelperFile> read(const std::filesystem::path& path);

    // Owned by root, with no group or other write bit.
    bool isTrusted() const;

    bool operator==(const InstalledHelperFile&) const = default;
};

std::ostream& operator<<(std::ostream& out, const InstalledHelperFile& file);

}  // namespace corvane
