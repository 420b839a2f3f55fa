#include "closedlid/LidHoldPolicy.h"

#include <algorithm>

namespace corvane::LidHoldPolicy {

LidHold start(const LidHoldTerms& terms, WallTime now)
{
    WallTime deadline = now.plusSeconds(static_cast<double>(terms.hardDeadlineSeconds));
    WallTime leaseUntil = std::min(now.plusSeconds(static_cast<double>(terms.leaseSeconds)), deadline);
    return LidHold{now, leaseUntil, deadline, terms.leaseSeconds, terms.batteryFloor};
}

LidHold renew(const LidHold& hold, WallTime now)
{
    LidHold renewed = hold;
    renewed.leaseUntil = std::min(now.plusSeconds(static_cast<double>(hold.leaseSeconds)), hold.deadline);
    return renewed;
}

std::optional<LidStopReason> check(const LidHold& hold, WallTime now, const std::optional<LidBattery>& battery,
                                   ThermalLevel thermal)
{
    if (now >= hold.deadline)
        return LidStopReason::deadline;
    if (thermal == ThermalLevel::critical)
        return LidStopReason::thermal;
    if (battery && battery->percent && *battery->percent < hold.batteryFloor && !battery->charging && !battery->onAC)
        return LidStopReason::battery;
    if (now >= hold.leaseUntil)
        return LidStopReason::leaseLapsed;
    return std::nullopt;
}

}  // namespace corvane::LidHoldPolicy
