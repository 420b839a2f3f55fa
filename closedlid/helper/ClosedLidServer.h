#pragma once
// The helper's main loop: accepts connections on its socket, admits only
// the installed app, answers one status line per request line, and runs
// the periodic check, all on one thread so the hold machine's calls are
// serialised.

#include <atomic>
#include <filesystem>
#include <map>

#include "closedlid/LidHoldMachine.h"
#include "closedlid/LineChannel.h"
#include "closedlid/helper/PeerGate.h"
#include "core/base/FileDescriptor.h"
#include "core/base/Time.h"

namespace corvane {

class ClosedLidServer {
public:
    static constexpr double defaultCheckIntervalSeconds = 5;

    ClosedLidServer(FileDescriptor listener, LidHoldMachine& machine, PeerGate& gate, const Clock& clock,
                    double checkIntervalSeconds = defaultCheckIntervalSeconds);

    // Binds a listening socket at `path` (replacing a stale one), open to
    // every local user: the gate decides who is served.
    static Result<FileDescriptor> listenAt(const std::filesystem::path& path);

    // Runs until stop().
    void run();
    // Safe from any thread and from a signal handler.
    void stop();

private:
    struct Connection {
        FileDescriptor socket;
        LineBuffer buffer{closedLidLineCap};
    };

    void accept();
    // False when the connection is to be closed.
    bool receive(LidHoldMachine::Client id, Connection& connection);
    ClosedLidHelperStatus answer(const ClosedLidRequest& request, LidHoldMachine::Client id);
    void close(LidHoldMachine::Client id);

    FileDescriptor listener_;
    FileDescriptor wake_;
    LidHoldMachine& machine_;
    PeerGate& gate_;
    const Clock& clock_;
    double checkIntervalSeconds_;
    std::map<LidHoldMachine::Client, Connection> connections_;
    LidHoldMachine::Client nextClient_ = 1;
    Logger log_{"closedlid"};
};

}  // namespace corvane
