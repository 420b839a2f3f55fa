#include "closedlid/helper/PeerGate.h"

#include <sys/socket.h>
#include <sys/stat.h>

#include "closedlid/Sha256.h"

namespace corvane {

PeerGate::PeerGate(ClosedLidClientRecord allowed, std::filesystem::path procRoot)
    : allowed_(std::move(allowed)), procRoot_(std::move(procRoot))
{
}

bool PeerGate::admits(int socket)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return false;
    if (peer.uid != allowed_.uid) {
        log_.warning("refused a peer of uid {}", peer.uid);
        return false;
    }
    auto exe = procRoot_ / std::to_string(peer.pid) / "exe";
    struct stat info {};
    if (::stat(exe.c_str(), &info) != 0)
        return false;  // the peer is gone already
    FileIdentity identity{info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    auto cached = hashes_.find(identity);
    if (cached == hashes_.end()) {
        auto hash = fileSHA256(exe);
        if (!hash)
            return false;
        cached = hashes_.emplace(identity, std::move(*hash)).first;
    }
    if (cached->second != allowed_.appSHA256) {
        log_.warning("refused pid {}: not the installed Lunebox", peer.pid);
        return false;
    }
    return true;
}

}  // namespace corvane
