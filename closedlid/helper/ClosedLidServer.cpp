#include "closedlid/helper/ClosedLidServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/keepawake/Overloaded.h"

namespace corvane {

namespace {

// Answers go to our own client, which reads them at once; a peer that does
// not read them within this time is dropped.
constexpr double answerTimeoutSeconds = 2;

}  // namespace

ClosedLidServer::ClosedLidServer(FileDescriptor listener, LidHoldMachine& machine, PeerGate& gate,
                                 const Clock& clock, double checkIntervalSeconds)
    : listener_(std::move(listener)),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      machine_(machine),
      gate_(gate),
      clock_(clock),
      checkIntervalSeconds_(checkIntervalSeconds)
{
}

// Bound and listening under a name of its own first, then renamed into
// place: a client that finds the socket never finds it refusing.
Result<FileDescriptor> ClosedLidServer::listenAt(const std::filesystem::path& path)
{
    const std::string bound = path.native() + ".new";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bound.size() >= sizeof address.sun_path)
        return fail(Error::make(Error::Code::Invalid, "bind", path.string()));
    std::memcpy(address.sun_path, bound.c_str(), bound.size() + 1);
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        return fail(Error::fromErrno("socket", path.string()));
    ::unlink(bound.c_str());
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return fail(Error::fromErrno("bind", path.string()));
    if (::chmod(bound.c_str(), 0666) != 0 || ::listen(fd.get(), 8) != 0 || ::rename(bound.c_str(), path.c_str()) != 0) {
        const Error error = Error::fromErrno("listen", path.string());
        ::unlink(bound.c_str());
        return fail(error);
    }
    return fd;
}

void ClosedLidServer::stop()
{
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
}

void ClosedLidServer::run()
{
    using Steady = std::chrono::steady_clock;
    const auto interval = std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(checkIntervalSeconds_));
    auto nextCheck = Steady::now() + interval;
    for (;;) {
        std::vector<pollfd> entries{{wake_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
        std::vector<LidHoldMachine::Client> ids;
        for (const auto& [id, connection] : connections_) {
            entries.push_back({connection.socket.get(), POLLIN, 0});
            ids.push_back(id);
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextCheck - Steady::now()).count();
        int ready = ::poll(entries.data(), entries.size(), static_cast<int>(std::max<long long>(wait, 0)));
        if (ready < 0 && errno != EINTR) {
            log_.error("poll: {}", std::strerror(errno));
            return;
        }
        if (entries[0].revents != 0)
            return;
        if (Steady::now() >= nextCheck) {
            machine_.check(clock_.now());
            nextCheck = Steady::now() + interval;
        }
        if (entries[1].revents & POLLIN)
            accept();
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (entries[i + 2].revents == 0)
                continue;
            auto found = connections_.find(ids[i]);
            if (found != connections_.end() && !receive(ids[i], found->second))
                close(ids[i]);
        }
    }
}

void ClosedLidServer::accept()
{
    FileDescriptor socket(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!socket.valid())
        return;
    if (!gate_.admits(socket.get()))
        return;
    LidHoldMachine::Client id = nextClient_++;
    connections_.emplace(id, Connection{std::move(socket), LineBuffer(closedLidLineCap)});
    machine_.connected(id);
}

bool ClosedLidServer::receive(LidHoldMachine::Client id, Connection& connection)
{
    char chunk[1024];
    ssize_t n = ::recv(connection.socket.get(), chunk, sizeof chunk, 0);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false;
    connection.buffer.append(std::string_view(chunk, static_cast<std::size_t>(n)));
    while (auto line = connection.buffer.nextLine()) {
        auto request = ClosedLidRequest::decode(*line);
        if (!request) {
            log_.warning("dropped a client that sent an unreadable request");
            return false;
        }
        if (!writeLine(connection.socket.get(), answer(*request, id).encoded(), answerTimeoutSeconds))
            return false;
    }
    return !connection.buffer.overflowed();
}

ClosedLidHelperStatus ClosedLidServer::answer(const ClosedLidRequest& request, LidHoldMachine::Client id)
{
    if (request.version != ClosedLidHelperVersion) {
        ClosedLidHelperStatus status = machine_.status();
        status.ok = false;
        status.message = "The helper speaks another version; reinstall it from Lunebox.";
        return status;
    }
    const WallTime now = clock_.now();
    return std::visit(Overloaded{
                          [&](const ClosedLidRequest::Hold& hold) { return machine_.hold(hold.terms, id, now); },
                          [&](const ClosedLidRequest::Renew&) { return machine_.renew(id, now); },
                          [&](const ClosedLidRequest::Release&) { return machine_.release(); },
                          [&](const ClosedLidRequest::Status&) { return machine_.status(); },
                      },
                      request.kind);
}

void ClosedLidServer::close(LidHoldMachine::Client id)
{
    connections_.erase(id);
    machine_.disconnected(id);
}

}  // namespace corvane
