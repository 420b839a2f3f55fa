#include <gtest/gtest.h>

#include "closedlid/LidHoldPolicy.h"

namespace corvane {
namespace {

const WallTime t0 = WallTime::fromReferenceSeconds(800'000'000);

LidBattery onBattery(int percent) { return LidBattery{percent, false, false}; }

TEST(LidHoldPolicy, a_deadline_shorter_than_the_lease_ends_the_lease_at_the_deadline)
{
    LidHold hold = LidHoldPolicy::start({120, 60, 10}, t0);
    EXPECT_EQ(hold.startedAt, t0);
    EXPECT_EQ(hold.deadline, t0.plusSeconds(60));
    EXPECT_EQ(hold.leaseUntil, hold.deadline);

    LidHold longer = LidHoldPolicy::start({120, 3600, 10}, t0);
    EXPECT_EQ(longer.leaseUntil, t0.plusSeconds(120));
    EXPECT_EQ(longer.leaseSeconds, 120);
    EXPECT_EQ(longer.batteryFloor, 10);
}

TEST(LidHoldPolicy, renewing_extends_the_lease_from_now_but_never_past_the_deadline)
{
    LidHold hold = LidHoldPolicy::start({120, 600, 10}, t0);
    EXPECT_EQ(LidHoldPolicy::renew(hold, t0.plusSeconds(100)).leaseUntil, t0.plusSeconds(220));
    LidHold late = LidHoldPolicy::renew(hold, t0.plusSeconds(550));
    EXPECT_EQ(late.leaseUntil, t0.plusSeconds(600));
    EXPECT_EQ(late.deadline, hold.deadline);
    EXPECT_EQ(late.startedAt, t0);
}

TEST(LidHoldPolicy, the_battery_floor_stops_only_a_known_level_below_it_on_battery_power)
{
    LidHold hold = LidHoldPolicy::start({120, 600, 20}, t0);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, onBattery(19), ThermalLevel::nominal), LidStopReason::battery);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, onBattery(20), ThermalLevel::nominal), std::nullopt);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, LidBattery{19, true, false}, ThermalLevel::nominal), std::nullopt);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, LidBattery{19, false, true}, ThermalLevel::nominal), std::nullopt);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, LidBattery{std::nullopt, false, false}, ThermalLevel::nominal),
              std::nullopt);
    EXPECT_EQ(LidHoldPolicy::check(hold, t0, std::nullopt, ThermalLevel::nominal), std::nullopt);
}

TEST(LidHoldPolicy, the_first_crossed_limit_names_the_stop_in_a_fixed_order)
{
    LidHold hold = LidHoldPolicy::start({60, 600, 20}, t0);
    const WallTime afterDeadline = t0.plusSeconds(600);
    const WallTime afterLease = t0.plusSeconds(60);

    EXPECT_EQ(LidHoldPolicy::check(hold, afterDeadline, onBattery(5), ThermalLevel::critical), LidStopReason::deadline);
    EXPECT_EQ(LidHoldPolicy::check(hold, afterLease, onBattery(5), ThermalLevel::critical), LidStopReason::thermal);
    EXPECT_EQ(LidHoldPolicy::check(hold, afterLease, onBattery(5), ThermalLevel::serious), LidStopReason::battery);
    EXPECT_EQ(LidHoldPolicy::check(hold, afterLease, onBattery(90), ThermalLevel::serious), LidStopReason::leaseLapsed);
    EXPECT_EQ(LidHoldPolicy::check(hold, afterLease.plusSeconds(-1), onBattery(90), ThermalLevel::serious),
              std::nullopt);
}

}  // namespace
}  // namespace corvane
