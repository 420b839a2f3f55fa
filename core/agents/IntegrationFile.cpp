#include "core/agents/IntegrationFile.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "core/agents/InstallRecord.h"
#include "core/base/Files.h"
#include "core/base/Uuid.h"

namespace corvane::IntegrationFile {

namespace fs = std::filesystem;

Result<void> checkEditable(const fs::path& path)
{
    std::string name = path.filename().string();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        return fail(integrationRefusal(name + " can't be read: " + Error::fromErrno("stat", path.string()).message()));
    }
    // A link may lead anywhere, and a read-only file was made so on purpose.
    if (S_ISLNK(info.st_mode))
        return fail(integrationRefusal(name + " is a link to another file, so Lunebox won't edit it — edit the file it points to by hand"));
    if (!S_ISREG(info.st_mode))
        return fail(integrationRefusal(name + " isn't a regular file, so Lunebox won't edit it"));
    if ((info.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0)
        return fail(integrationRefusal(name + " is read-only, so Lunebox won't edit it"));
    return {};
}

Result<std::optional<std::string>> read(const fs::path& path)
{
    auto bytes = readFileCapped(path, maxBytes);
    if (bytes)
        return std::optional<std::string>(std::move(*bytes));
    if (bytes.error().code == Error::Code::NotFound)
        return std::optional<std::string>();
    return fail(integrationRefusal(path.filename().string() + " can't be read: " + bytes.error().message()));
}

Error writeFailure(const Error& error)
{
    return Error::make(Error::Code::Io, "write", "Couldn't write the file: " + error.message());
}

Result<void> replace(const fs::path& path, std::string_view text)
{
    if (auto editable = checkEditable(path); !editable)
        return editable;
    mode_t mode = 0600;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0)
        mode = info.st_mode & 07777;
    // Appended rather than added up: g++ 12 warns falsely about "." + string.
    std::string name = ".";
    name.append(path.filename().string()).append(".corvane-").append(Uuid::random().string()).append(".tmp");
    fs::path temporary = path.parent_path() / name;
    if (auto written = writeFileAtomically(temporary, text, mode); !written)
        return fail(writeFailure(written.error()));
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        Error error = Error::fromErrno("rename", path.string());
        ::unlink(temporary.c_str());
        return fail(writeFailure(error));
    }
    return {};
}

Result<void> remove(const fs::path& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return fail(writeFailure(Error::fromErrno("remove", path.string())));
    return {};
}

}  // namespace corvane::IntegrationFile
