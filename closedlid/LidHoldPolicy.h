#pragma once
// The rules of a closed-lid hold: when its lease and deadline fall, and
// which limit ends it first.

#include <optional>

#include "closedlid/ClosedLidRecords.h"
#include "core/keepawake/ThermalLevel.h"

namespace corvane::LidHoldPolicy {

// The lease never runs past the hard deadline.
LidHold start(const LidHoldTerms& terms, WallTime now);
LidHold renew(const LidHold& hold, WallTime now);
// First match wins: deadline, critical heat, a known battery below the
// floor while neither charging nor on AC, then a lapsed lease.
std::optional<LidStopReason> check(const LidHold& hold, WallTime now, const std::optional<LidBattery>& battery,
                                   ThermalLevel thermal);

}  // namespace corvane::LidHoldPolicy
