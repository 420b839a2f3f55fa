#include "closedlid/LidHoldMachine.h"

#include "closedlid/LidHoldPolicy.h"
#include "core/base/RawEnum.h"

namespace corvane {

void LidHoldMachine::connected(Client client) { clients_.insert(client); }

void LidHoldMachine::disconnected(Client client)
{
    clients_.erase(client);
    if (hold_ && owner_ == client) {
        log_.info("client went away: restoring sleep");
        stop(LidStopReason::connectionLost);
    }
}

ClosedLidHelperStatus LidHoldMachine::hold(const LidHoldTerms& terms, Client by, WallTime now)
{
    LidHold wanted = LidHoldPolicy::start(terms, now);
    if (auto reason = LidHoldPolicy::check(wanted, now, platform_.readBattery(), platform_.readThermal()))
        return refusal("Refused: " + std::string(rawValue(*reason)), reason);

    const bool fresh = !hold_;
    if (fresh) {
        prior_ = platform_.readSleepDisabled();
        if (!platform_.saveRecord(LidHoldRecord{wanted, prior_}))
            return refusal("Refused: couldn't record the hold");
    }
    if (!platform_.setSleepDisabled(true) || platform_.readSleepDisabled() != true) {
        // A hold already running keeps its own undo; only a new one is rolled back here.
        if (fresh)
            restore();
        return refusal("The system didn't accept the setting");
    }
    hold_ = wanted;
    owner_ = by;
    return status();
}

ClosedLidHelperStatus LidHoldMachine::renew(Client by, WallTime now)
{
    if (!hold_)
        return refusal("No hold to renew");
    hold_ = LidHoldPolicy::renew(*hold_, now);
    // The connection that keeps the lease alive is the one whose loss ends it.
    owner_ = by;
    return status();
}

ClosedLidHelperStatus LidHoldMachine::release()
{
    if (!hold_)
        return refusal("Nothing of ours to release");
    stop(LidStopReason::released);
    return status();
}

ClosedLidHelperStatus LidHoldMachine::status()
{
    ClosedLidHelperStatus out;
    out.ok = true;
    out.holding = hold_.has_value();
    out.sleepDisabled = platform_.readSleepDisabled().value_or(false);
    out.hold = hold_;
    out.lastStop = lastStop_;
    if (leftByUs_)
        out.leftByUs = true;
    return out;
}

std::optional<LidStopReason> LidHoldMachine::check(WallTime now)
{
    retryRestore();
    if (!hold_)
        return std::nullopt;
    auto reason = LidHoldPolicy::check(*hold_, now, platform_.readBattery(), platform_.readThermal());
    if (reason) {
        log_.info("stopping: {}", rawValue(*reason));
        stop(*reason);
    }
    return reason;
}

void LidHoldMachine::launchCleanup()
{
    auto record = platform_.loadRecord();
    if (!record)
        return;
    log_.info("found a hold left behind: restoring sleep");
    prior_ = record->prior;
    lastStop_ = LidStopReason::launchCleanup;
    restore();
}

void LidHoldMachine::shutdown()
{
    if (hold_)
        stop(LidStopReason::shutdown);
    else
        retryRestore();
}

void LidHoldMachine::retryRestore()
{
    if (leftByUs_)
        restore();
}

void LidHoldMachine::stop(LidStopReason reason)
{
    hold_.reset();
    owner_.reset();
    lastStop_ = reason;
    restore();
}

void LidHoldMachine::restore()
{
    if (!platform_.setSleepDisabled(prior_.value_or(false))) {
        log_.error("couldn't restore sleep");
        leftByUs_ = true;
        return;
    }
    leftByUs_ = false;
    prior_.reset();
    if (!platform_.removeRecord())
        log_.warning("couldn't remove the hold record");
}

ClosedLidHelperStatus LidHoldMachine::refusal(std::string message, std::optional<LidStopReason> stop)
{
    ClosedLidHelperStatus out = status();
    out.ok = false;
    out.message = std::move(message);
    if (stop)
        out.lastStop = stop;
    return out;
}

}  // namespace corvane
