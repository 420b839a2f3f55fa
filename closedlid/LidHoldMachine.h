#pragma once
// The helper's one hold: granted to a connection, kept alive by renewals,
// ended by its owner, its limits, a lost connection or the helper's own
// restart, and always undone. Calls are serialised by the helper.

#include <cstdint>
#include <optional>
#include <set>

#include "closedlid/LidHoldPlatform.h"
#include "core/base/Log.h"

namespace corvane {

class LidHoldMachine {
public:
    using Client = std::uint64_t;

    explicit LidHoldMachine(LidHoldPlatform& platform) : platform_(platform) {}

    void connected(Client client);
    void disconnected(Client client);
    ClosedLidHelperStatus hold(const LidHoldTerms& terms, Client by, WallTime now);
    ClosedLidHelperStatus renew(Client by, WallTime now);
    ClosedLidHelperStatus release();
    ClosedLidHelperStatus status();
    // Ends the hold when a limit is crossed, and retries an undo that failed.
    std::optional<LidStopReason> check(WallTime now);
    // Undoes a hold that a previous run of the helper left behind.
    void launchCleanup();
    void shutdown();
    void retryRestore();

    const std::optional<LidHold>& currentHold() const { return hold_; }
    std::optional<Client> owner() const { return owner_; }
    std::optional<LidStopReason> lastStop() const { return lastStop_; }
    const std::set<Client>& clients() const { return clients_; }
    bool restorePending() const { return leftByUs_; }

private:
    void stop(LidStopReason reason);
    void restore();
    ClosedLidHelperStatus refusal(std::string message, std::optional<LidStopReason> stop = std::nullopt);

    LidHoldPlatform& platform_;
    std::optional<LidHold> hold_;
    std::optional<Client> owner_;
    std::optional<LidStopReason> lastStop_;
    std::set<Client> clients_;
    std::optional<bool> prior_;
    bool leftByUs_ = false;
    Logger log_{"closedlid"};
};

}  // namespace corvane
