#include "core/runtime/ListenerScanner.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/Files.h"

namespace corvane {

namespace {

constexpr std::string_view socketLinkPrefix = "socket:[";
constexpr std::size_t listingBytes = 32 * 1024;
constexpr std::size_t procNetCap = 64 * 1024 * 1024;

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

// A path relative to /proc built without allocating: "<pid>/fd" or "<pid>/fd/<fd>".
class ProcPath {
public:
    explicit ProcPath(std::int32_t pid) { std::snprintf(text_, sizeof text_, "%d/fd", pid); }
    ProcPath(std::int32_t pid, int fd) { std::snprintf(text_, sizeof text_, "%d/fd/%d", pid, fd); }
    const char* c_str() const { return text_; }

private:
    char text_[32];
};

template <typename Number>
std::optional<Number> numberNamed(std::string_view text)
{
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The inode of a descriptor's link text "socket:[12345]", else nothing.
std::optional<std::uint64_t> socketInode(std::string_view link)
{
    if (!link.starts_with(socketLinkPrefix) || !link.ends_with(']'))
        return std::nullopt;
    link.remove_prefix(socketLinkPrefix.size());
    link.remove_suffix(1);
    return numberNamed<std::uint64_t>(link);
}

// Calls `each` with the name of every entry of a directory read with
// getdents64, "." and ".." aside; stops when `each` returns false.
template <typename Each>
void forEachEntry(int folder, std::vector<char>& buffer, Each each)
{
    for (;;) {
        ssize_t got = ::getdents64(folder, buffer.data(), buffer.size());
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + at);
            at += entry->d_reclen;
            std::string_view name(entry->d_name);
            if (name != "." && name != ".." && !each(name))
                return;
        }
    }
}

// Since Linux 6.2 the size of /proc/<pid>/fd is the number of open descriptors.
bool kernelCountsDescriptors()
{
    static const bool counts = [] {
        struct stat info {};
        return ::stat("/proc/self/fd", &info) == 0 && info.st_size > 0;
    }();
    return counts;
}

// The newest pid the kernel handed out (the last field of /proc/loadavg);
// it moves whenever a process or thread starts.
std::int64_t lastPID()
{
    auto text = readFileCapped("/proc/loadavg", 4096);
    if (!text)
        return -1;
    std::string_view line(*text);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.remove_suffix(1);
    auto space = line.rfind(' ');
    auto pid = numberNamed<std::int64_t>(space == std::string_view::npos ? line : line.substr(space + 1));
    return pid.value_or(-1);
}

std::optional<std::vector<ListeningSocket>> netlinkSockets()
{
    FileDescriptor netlink(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (!netlink.valid())
        return std::nullopt;
    std::vector<ListeningSocket> sockets;
    alignas(nlmsghdr) char buffer[32 * 1024];
    for (int family : {AF_INET, AF_INET6}) {
        struct {
            nlmsghdr header;
            inet_diag_req_v2 request;
        } message{};
        message.header.nlmsg_len = sizeof message;
        message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
        message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        message.header.nlmsg_seq = static_cast<std::uint32_t>(family);
        message.request.sdiag_family = static_cast<std::uint8_t>(family);
        message.request.sdiag_protocol = IPPROTO_TCP;
        message.request.idiag_states = 1u << TCP_LISTEN;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        auto* address = reinterpret_cast<sockaddr*>(&kernel);
        if (::sendto(netlink.get(), &message, sizeof message, 0, address, sizeof kernel) < 0)
            return std::nullopt;
        for (bool done = false; !done;) {
            ssize_t got = ::recv(netlink.get(), buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return std::nullopt;
            int left = static_cast<int>(got);
            for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
                 header = NLMSG_NEXT(header, left)) {
                if (header->nlmsg_type == NLMSG_DONE) {
                    done = true;
                    break;
                }
                if (header->nlmsg_type == NLMSG_ERROR)
                    return std::nullopt;
                if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY
                    || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
                    continue;
                const auto* answer = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
                int port = ntohs(answer->id.idiag_sport);
                if (answer->idiag_state != TCP_LISTEN || port == 0)
                    continue;
                ListeningSocket socket;
                socket.inode = answer->idiag_inode;
                socket.uid = answer->idiag_uid;
                socket.port = port;
                socket.family = answer->idiag_family == AF_INET6 ? IPFamily::ipv6 : IPFamily::ipv4;
                std::array<std::uint8_t, 16> address{};
                std::memcpy(address.data(), answer->id.idiag_src, address.size());
                socket.address = ListenerScanner::classify(socket.family, address);
                sockets.push_back(socket);
            }
        }
    }
    return sockets;
}

std::optional<std::vector<ListeningSocket>> procNetSockets()
{
    auto ipv4 = readFileCapped("/proc/net/tcp", procNetCap);
    auto ipv6 = readFileCapped("/proc/net/tcp6", procNetCap);
    if (!ipv4 && !ipv6)
        return std::nullopt;
    std::vector<ListeningSocket> sockets;
    if (ipv4)
        sockets = ListenerScanner::parseProcNet(*ipv4, IPFamily::ipv4);
    if (ipv6) {
        auto more = ListenerScanner::parseProcNet(*ipv6, IPFamily::ipv6);
        sockets.insert(sockets.end(), more.begin(), more.end());
    }
    return sockets;
}

// "0100007F" as /proc/net prints an address word: the 32 bits as the
// kernel holds them in memory, so the machine's own byte order gives the
// bytes back in network order.
bool parseAddressWords(std::string_view hex, std::array<std::uint8_t, 16>& address)
{
    if (hex.size() != 8 && hex.size() != 32)
        return false;
    for (std::size_t word = 0; word * 8 < hex.size(); ++word) {
        std::uint32_t value = 0;
        auto digits = hex.substr(word * 8, 8);
        auto [end, error] = std::from_chars(digits.data(), digits.data() + 8, value, 16);
        if (error != std::errc() || end != digits.data() + 8)
            return false;
        std::memcpy(address.data() + word * 4, &value, 4);
    }
    return true;
}

}  // namespace

SocketHolders::SocketHolders() : SocketHolders(systemClock()) {}

SocketHolders::SocketHolders(const Clock& clock) : clock_(clock) {}

bool SocketHolders::stillHolds(const SocketHolder& holder, std::uint64_t inode)
{
    char link[64];
    ssize_t length = ::readlinkat(proc_.get(), ProcPath(holder.pid, holder.fd).c_str(), link, sizeof link);
    return length > 0 && socketInode(std::string_view(link, static_cast<std::size_t>(length))) == inode;
}

std::unordered_map<std::uint64_t, SocketHolder> SocketHolders::resolve(const std::vector<std::uint64_t>& inodes,
                                                                         std::uint32_t uid, const Filter& filter)
{
    std::unordered_map<std::uint64_t, SocketHolder> found;
    if (inodes.empty()) {
        known_.clear();
        unresolved_.clear();
        return found;
    }
    if (!proc_.valid())
        proc_ = FileDescriptor(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::uint64_t> unseen;
    std::vector<std::uint64_t> stillUnresolved;
    for (std::uint64_t inode : inodes) {
        if (auto known = known_.find(inode); known != known_.end() && stillHolds(known->second, inode))
            found.emplace(inode, known->second);
        else if (unresolved_.contains(inode))
            stillUnresolved.push_back(inode);
        else
            unseen.push_back(inode);
    }

    bool walk = !unseen.empty();
    if (!walk && !stillUnresolved.empty()) {
        MonotonicTime now = clock_.monotonicNow();
        if (!lastRetryCheck_ || std::chrono::duration<double>(now - *lastRetryCheck_).count() >= retrySeconds) {
            lastRetryCheck_ = now;
            walk = lastPID() != lastPIDAtWalk_;
        }
    }
    if (walk) {
        unseen.insert(unseen.end(), stillUnresolved.begin(), stillUnresolved.end());
        lastPIDAtWalk_ = lastPID();
        lastRetryCheck_ = clock_.monotonicNow();
        this->walk(std::move(unseen), uid, filter, found);
    }

    known_ = found;
    std::unordered_set<std::uint64_t> unresolved;
    for (std::uint64_t inode : inodes) {
        if (!found.contains(inode))
            unresolved.insert(inode);
    }
    unresolved_ = std::move(unresolved);
    return found;
}

void SocketHolders::walk(std::vector<std::uint64_t> wanted, std::uint32_t uid, const Filter& filter,
                         std::unordered_map<std::uint64_t, SocketHolder>& found)
{
    ++walks_;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    std::size_t remaining = wanted.size();
    if (remaining == 0 || !proc_.valid() || ::lseek(proc_.get(), 0, SEEK_SET) != 0)
        return;
    listing_.resize(listingBytes);
    descriptors_.resize(listingBytes);
    const bool counts = kernelCountsDescriptors();

    enum class Next { descriptor, process, done };
    // One descriptor's link, or the failure to read it.
    auto inspect = [&](std::int32_t pid, int fd, ssize_t length, const char* link) {
        if (length < 0)
            return errno == EACCES ? Next::process : Next::descriptor;  // none of its links is ours to read
        auto inode = socketInode(std::string_view(link, static_cast<std::size_t>(length)));
        if (!inode || !std::binary_search(wanted.begin(), wanted.end(), *inode) || found.contains(*inode))
            return Next::descriptor;
        found.emplace(*inode, SocketHolder{pid, fd});
        return --remaining > 0 ? Next::descriptor : Next::done;
    };

    forEachEntry(proc_.get(), listing_, [&](std::string_view name) {
        auto pid = numberNamed<std::int32_t>(name);
        if (!pid || *pid < 1)
            return true;
        ProcPath folderPath(*pid);
        struct stat info {};
        // The folder's owner is the process's owner; other users' descriptors are never read.
        if (::fstatat(proc_.get(), folderPath.c_str(), &info, 0) != 0 || info.st_uid != uid)
            return true;
        if (filter && !filter(*pid))
            return true;
        char link[64];
        int checked = 0;
        if (counts) {
            // Descriptors are usually 0 to count - 1: read them by number,
            // and list the folder only past the first gap.
            for (; checked < info.st_size; ++checked) {
                ssize_t length = ::readlinkat(proc_.get(), ProcPath(*pid, checked).c_str(), link, sizeof link);
                if (length < 0 && errno == ENOENT)
                    break;
                if (Next next = inspect(*pid, checked, length, link); next != Next::descriptor)
                    return next == Next::process;
            }
            if (checked == info.st_size)
                return true;  // a kernel thread or a zombie has none
        }
        FileDescriptor folder(::openat(proc_.get(), folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.valid())
            return true;  // gone since the listing
        bool more = true;
        off_t listed = 0;
        forEachEntry(folder.get(), descriptors_, [&](std::string_view descriptor) {
            int fd = numberNamed<int>(descriptor).value_or(-1);
            // Past the last descriptor counted the call that only reports the end is skipped.
            bool last = counts && ++listed >= info.st_size;
            if (fd < checked)
                return !last;
            ssize_t length = ::readlinkat(folder.get(), descriptor.data(), link, sizeof link);
            Next next = inspect(*pid, fd, length, link);
            more = next != Next::done;
            return next == Next::descriptor && !last;
        });
        return more;
    });
}

std::optional<std::vector<ListeningSocket>> ListenerScanner::sockets(Source source)
{
    return source == Source::netlink ? netlinkSockets() : procNetSockets();
}

std::vector<ListeningSocket> ListenerScanner::sockets()
{
    if (auto fromNetlink = netlinkSockets())
        return std::move(*fromNetlink);
    return procNetSockets().value_or(std::vector<ListeningSocket>{});
}

std::vector<ListeningSocket> ListenerScanner::parseProcNet(std::string_view text, IPFamily family)
{
    static constexpr std::string_view listenState = "0A";
    std::vector<ListeningSocket> sockets;
    std::size_t lineStart = text.find('\n');  // the first line names the columns
    while (lineStart != std::string_view::npos && lineStart + 1 < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart + 1);
        std::string_view line = text.substr(lineStart + 1, lineEnd == std::string_view::npos
                                                                ? std::string_view::npos : lineEnd - lineStart - 1);
        lineStart = lineEnd;
        // sl local rem st queues timer retransmits uid timeout inode ...
        std::array<std::string_view, 10> fields;
        std::size_t count = 0;
        for (std::size_t at = 0; at < line.size() && count < fields.size();) {
            std::size_t start = line.find_first_not_of(' ', at);
            if (start == std::string_view::npos)
                break;
            std::size_t end = line.find(' ', start);
            fields[count++] = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            at = end == std::string_view::npos ? line.size() : end;
        }
        if (count < fields.size() || fields[3] != listenState)
            continue;
        auto colon = fields[1].find(':');
        if (colon == std::string_view::npos)
            continue;
        std::array<std::uint8_t, 16> address{};
        if (!parseAddressWords(fields[1].substr(0, colon), address))
            continue;
        int port = 0;
        auto portText = fields[1].substr(colon + 1);
        auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port, 16);
        auto uid = numberNamed<std::uint32_t>(fields[7]);
        auto inode = numberNamed<std::uint64_t>(fields[9]);
        if (error != std::errc() || port == 0 || !uid || !inode)
            continue;
        sockets.push_back({*inode, *uid, port, classify(family, address), family});
    }
    return sockets;
}

ListenAddress ListenerScanner::classify(IPFamily family, const std::array<std::uint8_t, 16>& address)
{
    std::size_t size = family == IPFamily::ipv6 ? 16 : 4;
    bool zero = std::all_of(address.begin(), address.begin() + static_cast<std::ptrdiff_t>(size),
                            [](std::uint8_t byte) { return byte == 0; });
    if (zero)
        return ListenAddress::any;
    if (family == IPFamily::ipv4)
        return address[0] == 127 ? ListenAddress::loopback : ListenAddress::other;
    bool loopback = std::all_of(address.begin(), address.begin() + 15, [](std::uint8_t byte) { return byte == 0; })
        && address[15] == 1;
    return loopback ? ListenAddress::loopback : ListenAddress::other;
}

std::vector<Listener> ListenerScanner::listeners(const std::vector<ListeningSocket>& sockets,
                                                 const std::unordered_map<std::uint64_t, SocketHolder>& holders)
{
    // (pid, port) -> the listener of the lowest descriptor
    std::map<std::pair<int, std::int32_t>, std::pair<int, Listener>> byPortAndPID;
    for (const ListeningSocket& socket : sockets) {
        auto holder = holders.find(socket.inode);
        if (holder == holders.end())
            continue;
        Listener listener{holder->second.pid, socket.port, socket.address, socket.family};
        auto key = std::pair{socket.port, holder->second.pid};
        auto [slot, inserted] = byPortAndPID.try_emplace(key, holder->second.fd, listener);
        if (!inserted && holder->second.fd < slot->second.first)
            slot->second = {holder->second.fd, listener};
    }
    std::vector<Listener> out;
    out.reserve(byPortAndPID.size());
    for (const auto& [key, value] : byPortAndPID)
        out.push_back(value.second);
    return out;
}

std::vector<Listener> ListenerScanner::scan()
{
    SocketHolders holders;
    return scan(holders, static_cast<std::uint32_t>(::geteuid()));
}

std::vector<Listener> ListenerScanner::scan(SocketHolders& holders, std::uint32_t uid,
                                            const SocketHolders::Filter& filter)
{
    std::vector<ListeningSocket> own = sockets();
    std::erase_if(own, [&](const ListeningSocket& socket) { return socket.uid != uid; });
    std::vector<std::uint64_t> inodes;
    inodes.reserve(own.size());
    for (const ListeningSocket& socket : own)
        inodes.push_back(socket.inode);
    return listeners(own, holders.resolve(inodes, uid, filter));
}

}  // namespace corvane
