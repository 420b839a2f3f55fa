#include "core/base/Files.h"

#include <cerrno>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/FileDescriptor.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

std::string temporarySibling(const fs::path& path)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[17];
    static constexpr char digits[] = "0123456789abcdef";
    auto bits = random();
    for (int i = 0; i < 16; ++i, bits >>= 4)
        suffix[i] = digits[bits & 0xf];
    suffix[16] = '\0';
    std::string name = ".";
    name.append(path.filename().string()).append(".tmp-").append(suffix);
    return (path.parent_path() / name).string();
}

}  // namespace

Result<std::string> readFileCapped(const fs::path& path, std::size_t maxBytes, ReadFrom from)
{
    const int shared = from == ReadFrom::SharedFolder ? O_NOFOLLOW | O_NONBLOCK : 0;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | shared));
    if (fd.get() < 0)
        return fail(Error::fromErrno("open", path.string()));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return fail(Error::fromErrno("stat", path.string()));
    if (S_ISDIR(info.st_mode))
        return fail(Error::fromErrno("read", path.string(), EISDIR));
    if (from == ReadFrom::SharedFolder && !S_ISREG(info.st_mode))
        return fail(Error::make(Error::Code::Invalid, "read", path.string()));
    if (static_cast<std::size_t>(info.st_size) > maxBytes)
        return fail(Error::make(Error::Code::TooLarge, "read", path.string()));

    std::string bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    // The file may grow while we read it; stop at the cap either way.
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > maxBytes)
                return fail(Error::make(Error::Code::TooLarge, "read", path.string()));
            bytes.resize(std::max<std::size_t>(bytes.size() * 2, 4096));
        }
        ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(Error::fromErrno("read", path.string()));
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > maxBytes)
        return fail(Error::make(Error::Code::TooLarge, "read", path.string()));
    bytes.resize(filled);
    return bytes;
}

Result<void> createDirectories(const fs::path& path, mode_t mode)
{
    if (path.empty())
        return {};
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return {};
        return fail(Error::fromErrno("create folder", path.string(), ENOTDIR));
    }
    if (path.has_parent_path() && path.parent_path() != path) {
        if (auto parent = createDirectories(path.parent_path(), mode); !parent)
            return parent;
    }
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST)
        return fail(Error::fromErrno("create folder", path.string()));
    return {};
}

Result<void> writeFileAtomically(const fs::path& path, std::string_view bytes, mode_t mode)
{
    if (auto parent = createDirectories(path.parent_path()); !parent)
        return parent;
    std::string temporary = temporarySibling(path);
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (fd.get() < 0)
        return fail(Error::fromErrno("create", temporary));
    auto discard = [&](const char* operation) {
        Error error = Error::fromErrno(operation, path.string());
        ::unlink(temporary.c_str());
        return fail(std::move(error));
    };
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return discard("write");
        }
        written += static_cast<std::size_t>(put);
    }
    // The umask may have narrowed the mode at creation; set it exactly.
    if (::fchmod(fd.get(), mode) != 0)
        return discard("chmod");
    if (::fsync(fd.get()) != 0)
        return discard("sync");
    if (::close(fd.release()) != 0)
        return discard("close");
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return discard("rename");
    return {};
}

fs::path quarantinePath(const fs::path& path, WallTime now, const Calendar& calendar)
{
    return path.parent_path() / (path.filename().string() + ".corrupt-" + compactStamp(now, calendar));
}

Result<fs::path> quarantineFile(const fs::path& path, WallTime now, const Calendar& calendar)
{
    fs::path target = quarantinePath(path, now, calendar);
    if (::rename(path.c_str(), target.c_str()) != 0)
        return fail(Error::fromErrno("quarantine", path.string()));
    return target;
}

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\n\r") == std::string_view::npos;
}

}  // namespace corvane
