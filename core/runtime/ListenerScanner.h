#pragma once
// Every listening TCP port of the current user's processes.
//
// Linux notes: the sockets come from the kernel's socket-diagnostics
// netlink interface (NETLINK_SOCK_DIAG, one dump per address family, LISTEN
// state only), which carries each socket's inode and owner uid; where that
// interface is not available, /proc/net/tcp and /proc/net/tcp6 give the
// same. No interface names the process, so `SocketHolders` finds it by the
// socket's inode among the descriptors in /proc/<pid>/fd, visiting only the
// user's own processes and stopping once every socket is placed. A socket
// that several processes share (a server that forked its workers) is
// placed with the first of them in pid order, usually the parent.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/base/FileDescriptor.h"
#include "core/base/Time.h"
#include "core/runtime/Listener.h"

namespace corvane {

// A listening socket as the kernel lists it, before its process is known.
struct ListeningSocket {
    std::uint64_t inode = 0;
    std::uint32_t uid = 0;
    int port = 0;
    ListenAddress address = ListenAddress::other;
    IPFamily family = IPFamily::ipv4;

    bool operator==(const ListeningSocket&) const = default;
};

// Where a socket was found: the process and its descriptor number.
struct SocketHolder {
    std::int32_t pid = 0;
    int fd = 0;

    bool operator==(const SocketHolder&) const = default;
};

// Finds the process holding each socket and remembers the answers, so that
// a later scan only checks that each holder still holds its socket (one
// readlink) and walks /proc only for sockets it has not seen. A socket no
// process could be found for (held outside this process namespace, or by
// a process that is not ours to read) is searched for again only when new
// processes have started since, and at most every `retrySeconds`.
class SocketHolders {
public:
    static constexpr double retrySeconds = 30;
    // Whether a process is worth looking into: one that fails it is never
    // taken for a holder. Empty: every process of the owner is.
    using Filter = std::function<bool(std::int32_t pid)>;

    SocketHolders();
    explicit SocketHolders(const Clock& clock);
    SocketHolders(const SocketHolders&) = delete;
    SocketHolders& operator=(const SocketHolders&) = delete;

    // The holder of each inode among the processes whose owner is `uid`.
    std::unordered_map<std::uint64_t, SocketHolder> resolve(const std::vector<std::uint64_t>& inodes,
                                                             std::uint32_t uid, const Filter& filter = {});
    // How many times /proc was walked.
    std::size_t walks() const { return walks_; }

private:
    bool stillHolds(const SocketHolder& holder, std::uint64_t inode);
    void walk(std::vector<std::uint64_t> wanted, std::uint32_t uid, const Filter& filter,
              std::unordered_map<std::uint64_t, SocketHolder>& found);

    const Clock& clock_;
    FileDescriptor proc_;
    std::vector<char> listing_;
    std::vector<char> descriptors_;
    std::unordered_map<std::uint64_t, SocketHolder> known_;
    std::unordered_set<std::uint64_t> unresolved_;
    std::optional<MonotonicTime> lastRetryCheck_;
    std::int64_t lastPIDAtWalk_ = -1;  // the newest pid when /proc was last walked
    std::size_t walks_ = 0;
};

struct ListenerScanner {
    enum class Source { netlink, procNet };

    // TCP sockets in the LISTEN state, of every user, from one source;
    // nothing when the source cannot be read.
    static std::optional<std::vector<ListeningSocket>> sockets(Source source);
    // From netlink, else from /proc/net.
    static std::vector<ListeningSocket> sockets();
    // The listening sockets of a /proc/net/tcp or /proc/net/tcp6 text.
    static std::vector<ListeningSocket> parseProcNet(std::string_view text, IPFamily family);
    // `any` for the unspecified address, `loopback` for 127/8 or ::1, else
    // `other` (IPv4-mapped addresses on an IPv6 socket included). The bytes
    // are in network order; IPv4 uses the first four.
    static ListenAddress classify(IPFamily family, const std::array<std::uint8_t, 16>& address);

    // Listeners of the sockets whose holders are known: one per pid and
    // port (the holder's lowest descriptor wins), sorted by port, then pid.
    static std::vector<Listener> listeners(const std::vector<ListeningSocket>& sockets,
                                           const std::unordered_map<std::uint64_t, SocketHolder>& holders);

    // Every TCP listener of the current user's processes.
    static std::vector<Listener> scan();
    // The same, with holders remembered between scans, among the processes
    // that pass the filter.
    static std::vector<Listener> scan(SocketHolders& holders, std::uint32_t uid,
                                      const SocketHolders::Filter& filter = {});
};

}  // namespace corvane
