#include "core/agents/TranscriptWindow.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/FileDescriptor.h"

namespace corvane {

std::string TranscriptWindow::read(const std::filesystem::path& path, End end, std::size_t maxBytes)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    auto size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    // A tail read takes one byte before the window: a newline there means the window starts a line.
    std::size_t start = end == End::tail && size > maxBytes ? size - maxBytes - 1 : 0;
    std::string bytes(std::min(size - start, start > 0 ? maxBytes + 1 : maxBytes), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        ssize_t got = ::pread(fd.get(), bytes.data() + filled, bytes.size() - filled, static_cast<off_t>(start + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    // The line still being written, or cut by the budget, ends without a newline.
    auto last = bytes.rfind('\n');
    bytes.resize(last == std::string::npos ? 0 : last + 1);
    if (start > 0) {
        auto first = bytes.find('\n');
        bytes.erase(0, first == std::string::npos ? bytes.size() : first + 1);
    }
    return bytes;
}

}  // namespace corvane
