#pragma once
// The lid-switch inhibitor lock held through logind: while its descriptor
// is open, closing the lid does not suspend the machine. logind drops it by
// itself when the descriptor closes, also when the helper dies.
//
// Linux notes: org.freedesktop.login1.Manager.Inhibit(what, who, why, mode)
// returns the lock as a file descriptor; ListInhibitors returns
// a(ssssuu) = what, who, why, mode, uid, pid. Only root may take a
// "handle-lid-switch" block lock without a polkit rule.

#include <optional>
#include <string>

#include "core/base/FileDescriptor.h"
#include "core/base/Log.h"

namespace corvane {

class LidSwitchInhibitor {
public:
    // An empty address means the system bus.
    explicit LidSwitchInhibitor(std::string busAddress = {}) : busAddress_(std::move(busAddress)) {}

    bool take();
    void drop() { lock_.reset(); }
    // Held only when we keep the descriptor and logind lists the lock as
    // ours; none when logind cannot be asked.
    std::optional<bool> isHeld();

private:
    std::string busAddress_;
    FileDescriptor lock_;
    Logger log_{"closedlid"};
};

}  // namespace corvane
