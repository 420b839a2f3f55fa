#include "closedlid/LineChannel.h"

#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `fd` is ready for `events` or the deadline passes.
Result<void> waitFor(int fd, short events, Clock::time_point deadline, const char* operation)
{
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return fail(Error::make(Error::Code::TimedOut, operation));
        pollfd entry{fd, events, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready > 0)
            return {};
        if (ready < 0 && errno != EINTR)
            return fail(Error::fromErrno(operation, "closed-lid socket"));
    }
}

Clock::time_point deadlineAfter(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

std::optional<std::string> LineBuffer::nextLine()
{
    auto end = pending_.find('\n');
    if (end == std::string::npos || end > cap_)
        return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
}

bool LineBuffer::overflowed() const
{
    auto end = pending_.find('\n');
    return end == std::string::npos ? pending_.size() > cap_ : end > cap_;
}

Result<void> writeLine(int fd, std::string_view line, double timeoutSeconds)
{
    std::string data(line);
    data.push_back('\n');
    auto deadline = deadlineAfter(timeoutSeconds);
    std::size_t sent = 0;
    while (sent < data.size()) {
        if (auto ready = waitFor(fd, POLLOUT, deadline, "send"); !ready)
            return ready;
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return fail(Error::fromErrno("send", "closed-lid socket"));
        }
        sent += static_cast<std::size_t>(n);
    }
    return {};
}

Result<std::string> readLine(int fd, LineBuffer& buffer, double timeoutSeconds)
{
    auto deadline = deadlineAfter(timeoutSeconds);
    for (;;) {
        if (auto line = buffer.nextLine())
            return std::move(*line);
        if (buffer.overflowed())
            return fail(Error::make(Error::Code::TooLarge, "read", "closed-lid line"));
        if (auto ready = waitFor(fd, POLLIN, deadline, "receive"); !ready)
            return fail(ready.error());
        char chunk[1024];
        ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0)
            return fail(Error::make(Error::Code::Unavailable, "receive", "closed-lid socket closed"));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return fail(Error::fromErrno("receive", "closed-lid socket"));
        }
        buffer.append(std::string_view(chunk, static_cast<std::size_t>(n)));
    }
}

}  // namespace corvane
