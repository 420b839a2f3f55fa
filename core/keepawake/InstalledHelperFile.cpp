#include "core/keepawake/InstalledHelperFile.h"

#include <sys/stat.h>

namespace corvane {

std::optional<InstalledHelperFile> InstalledHelperFile::read(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return InstalledHelperFile{S_ISREG(info.st_mode), info.st_uid, static_cast<std::uint32_t>(info.st_mode & 07777)};
}

bool InstalledHelperFile::isTrusted() const
{
    constexpr std::uint32_t groupOrOtherWrite = 022;
    return isRegularFile && ownerUID == 0 && (permissions & groupOrOtherWrite) == 0;
}

std::ostream& operator<<(std::ostream& out, const InstalledHelperFile& file)
{
    return out << "{regular " << file.isRegularFile << ", uid " << file.ownerUID << ", mode 0" << std::oct
               << file.permissions << std::dec << "}";
}

}  // namespace corvane
