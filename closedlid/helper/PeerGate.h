#pragma once
// Who may talk to the helper: a process of the user who installed it,
// running the Lunebox executable whose SHA-256 was recorded at install.
//
// Linux notes: SO_PEERCRED gives the uid and pid of the process that
// connected; /proc/<pid>/exe is its executable, readable by root. A peer
// that exits before the check is refused. Hashes are cached per file
// identity (device, inode, size, modification time), so a long executable
// is read once, not on every connection.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "core/base/Log.h"
#include "core/keepawake/ClosedLidClientRecord.h"

namespace corvane {

class PeerGate {
public:
    explicit PeerGate(ClosedLidClientRecord allowed, std::filesystem::path procRoot = "/proc");

    // Checks the process at the other end of a connected Unix socket.
    bool admits(int socket);

private:
    using FileIdentity = std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::int64_t, std::int64_t>;

    ClosedLidClientRecord allowed_;
    std::filesystem::path procRoot_;
    std::map<FileIdentity, std::string> hashes_;
    Logger log_{"closedlid"};
};

}  // namespace corvane
