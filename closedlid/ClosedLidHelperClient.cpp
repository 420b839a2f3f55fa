#include "closedlid/ClosedLidHelperClient.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>

namespace corvane {

ClosedLidHelperClient::ClosedLidHelperClient(std::string socketPath, double timeoutSeconds)
    : socketPath_(std::move(socketPath)), timeoutSeconds_(timeoutSeconds)
{
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperClient::hold(const LidHoldTerms& terms)
{
    return send(ClosedLidRequest{ClosedLidHelperVersion, ClosedLidRequest::Hold{terms}});
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperClient::renew()
{
    return send(ClosedLidRequest{ClosedLidHelperVersion, ClosedLidRequest::Renew{}});
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperClient::release()
{
    return send(ClosedLidRequest{ClosedLidHelperVersion, ClosedLidRequest::Release{}});
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperClient::status()
{
    return send(ClosedLidRequest{ClosedLidHelperVersion, ClosedLidRequest::Status{}});
}

void ClosedLidHelperClient::disconnect()
{
    std::lock_guard lock(mutex_);
    socket_.reset();
    buffer_ = LineBuffer(closedLidLineCap);
}

bool ClosedLidHelperClient::connectLocked()
{
    if (socket_.valid())
        return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        return false;
    // A Unix socket connects at once or fails at once, so no wait is needed here.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        log_.debug("connect {}: {}", socketPath_, std::strerror(errno));
        return false;
    }
    socket_ = std::move(fd);
    buffer_ = LineBuffer(closedLidLineCap);
    return true;
}

std::optional<ClosedLidHelperStatus> ClosedLidHelperClient::send(const ClosedLidRequest& request)
{
    std::lock_guard lock(mutex_);
    if (!connectLocked())
        return std::nullopt;
    auto line = [&]() -> Result<std::string> {
        if (auto written = writeLine(socket_.get(), request.encoded(), timeoutSeconds_); !written)
            return fail(written.error());
        return readLine(socket_.get(), buffer_, timeoutSeconds_);
    }();
    std::optional<ClosedLidHelperStatus> status;
    if (line)
        status = ClosedLidHelperStatus::decode(*line);
    if (!status) {
        // A late answer must not be taken for the next request's: start afresh.
        log_.warning("closed-lid helper gave no status: {}", line ? "unreadable answer" : line.error().message());
        socket_.reset();
    }
    return status;
}

}  // namespace corvane
