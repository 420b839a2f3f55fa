#include <gtest/gtest.h>

#include <cstdio>

#include "closedlid/LidHoldMachine.h"
#include "closedlid/LidHoldPolicy.h"
#include "closedlid/helper/HoldRecordFile.h"
#include "tests/closedlid/FakeLidPlatform.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

using testing::FakeLidPlatform;

const WallTime t0 = WallTime::fromReferenceSeconds(800'000'000);
const LidHoldTerms terms{120, 3600, 10};

class LidHoldMachineTest : public ::testing::Test {
protected:
    LidHoldMachineTest() { machine.connected(1); }

    FakeLidPlatform platform;
    LidHoldMachine machine{platform};
};

TEST_F(LidHoldMachineTest, a_hold_records_the_prior_setting_before_turning_sleep_off)
{
    auto status = machine.hold(terms, 1, t0);
    EXPECT_TRUE(status.ok);
    EXPECT_TRUE(status.holding);
    EXPECT_TRUE(status.sleepDisabled);
    EXPECT_EQ(status.hold, LidHoldPolicy::start(terms, t0));
    EXPECT_EQ(status.message, std::nullopt);
    EXPECT_EQ(machine.owner(), 1u);
    ASSERT_TRUE(platform.record);
    EXPECT_EQ(platform.record->prior, false);
    EXPECT_EQ(platform.record->hold, status.hold);
}

TEST_F(LidHoldMachineTest, release_puts_back_what_was_there_before_and_forgets_the_record)
{
    platform.sleepDisabled = true;  // someone else had turned it off already
    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    auto released = machine.release();
    EXPECT_TRUE(released.ok);
    EXPECT_FALSE(released.holding);
    EXPECT_EQ(released.lastStop, LidStopReason::released);
    EXPECT_EQ(platform.sleepDisabled, true);
    EXPECT_FALSE(platform.record);

    auto again = machine.release();
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.message, "Nothing of ours to release");
}

TEST_F(LidHoldMachineTest, a_hold_over_a_limit_is_refused_with_the_reason_and_changes_nothing)
{
    platform.battery = LidBattery{9, false, false};
    auto refused = machine.hold(terms, 1, t0);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.holding);
    EXPECT_EQ(refused.lastStop, LidStopReason::battery);
    EXPECT_TRUE(refused.message);
    EXPECT_EQ(platform.sleepDisabled, false);
    EXPECT_EQ(platform.saves, 0);

    platform.battery = LidBattery{9, true, false};
    EXPECT_TRUE(machine.hold(terms, 1, t0).ok);
}

TEST_F(LidHoldMachineTest, a_hold_that_cannot_be_recorded_or_set_is_refused_and_undone)
{
    platform.savingWorks = false;
    auto unrecorded = machine.hold(terms, 1, t0);
    EXPECT_FALSE(unrecorded.ok);
    EXPECT_EQ(unrecorded.message, "Refused: couldn't record the hold");
    EXPECT_EQ(platform.sleepDisabled, false);

    platform.savingWorks = true;
    platform.readable = false;  // the setting cannot be read back
    auto unset = machine.hold(terms, 1, t0);
    EXPECT_FALSE(unset.ok);
    EXPECT_FALSE(unset.holding);
    EXPECT_EQ(unset.message, "The system didn't accept the setting");
    EXPECT_FALSE(machine.currentHold());
    EXPECT_FALSE(platform.sleepDisabled);
    EXPECT_FALSE(platform.record);
}

TEST_F(LidHoldMachineTest, renewing_moves_the_lease_and_nothing_to_renew_is_refused)
{
    auto none = machine.renew(1, t0);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message, "No hold to renew");

    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    auto renewed = machine.renew(1, t0.plusSeconds(100));
    EXPECT_TRUE(renewed.ok);
    ASSERT_TRUE(renewed.hold);
    EXPECT_EQ(renewed.hold->leaseUntil, t0.plusSeconds(220));
}

TEST_F(LidHoldMachineTest, the_periodic_check_ends_a_lapsed_lease_an_expired_deadline_or_critical_heat)
{
    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    EXPECT_EQ(machine.check(t0.plusSeconds(119)), std::nullopt);
    EXPECT_EQ(machine.check(t0.plusSeconds(120)), LidStopReason::leaseLapsed);
    EXPECT_EQ(machine.lastStop(), LidStopReason::leaseLapsed);
    EXPECT_EQ(platform.sleepDisabled, false);
    EXPECT_FALSE(platform.record);

    ASSERT_TRUE(machine.hold({120, 60, 10}, 1, t0).ok);
    EXPECT_EQ(machine.check(t0.plusSeconds(60)), LidStopReason::deadline);

    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    platform.thermal = ThermalLevel::critical;
    EXPECT_EQ(machine.check(t0.plusSeconds(1)), LidStopReason::thermal);
    EXPECT_EQ(machine.status().lastStop, LidStopReason::thermal);
    EXPECT_EQ(machine.check(t0.plusSeconds(2)), std::nullopt);
}

TEST_F(LidHoldMachineTest, only_the_owner_going_away_ends_the_hold)
{
    machine.connected(2);
    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    machine.disconnected(2);
    EXPECT_TRUE(machine.currentHold());
    EXPECT_EQ(platform.sleepDisabled, true);

    machine.disconnected(1);
    EXPECT_FALSE(machine.currentHold());
    EXPECT_EQ(machine.lastStop(), LidStopReason::connectionLost);
    EXPECT_EQ(platform.sleepDisabled, false);
    EXPECT_TRUE(machine.clients().empty());
}

TEST_F(LidHoldMachineTest, an_undo_that_fails_is_reported_as_left_by_us_and_retried)
{
    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    platform.settingWorks = false;
    auto released = machine.release();
    EXPECT_EQ(released.leftByUs, true);
    EXPECT_TRUE(released.sleepDisabled);
    EXPECT_TRUE(platform.record) << "the record stays until the undo succeeds";

    machine.check(t0.plusSeconds(5));
    EXPECT_TRUE(machine.restorePending());

    platform.settingWorks = true;
    machine.check(t0.plusSeconds(10));
    EXPECT_FALSE(machine.restorePending());
    EXPECT_EQ(platform.sleepDisabled, false);
    EXPECT_FALSE(platform.record);
    EXPECT_EQ(machine.status().leftByUs, std::nullopt);
}

TEST_F(LidHoldMachineTest, shutdown_ends_the_hold_and_restores_sleep)
{
    ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
    machine.shutdown();
    EXPECT_EQ(machine.lastStop(), LidStopReason::shutdown);
    EXPECT_EQ(platform.sleepDisabled, false);
}

// The record a helper leaves behind when it dies is found by the next one.
TEST(LidHoldMachineRestart, a_new_helper_restores_the_prior_value_from_the_record_left_behind)
{
    testing::TemporaryFolder folder;
    HoldRecordFile file(folder / "hold.json");
    {
        FakeLidPlatform platform;
        platform.sleepDisabled = true;
        LidHoldMachine machine(platform);
        machine.connected(1);
        ASSERT_TRUE(machine.hold(terms, 1, t0).ok);
        ASSERT_TRUE(platform.record);
        ASSERT_TRUE(file.save(*platform.record));
    }
    FakeLidPlatform restarted;
    restarted.sleepDisabled = false;
    restarted.record = file.load();
    ASSERT_TRUE(restarted.record);
    EXPECT_EQ(restarted.record->prior, true);

    LidHoldMachine machine(restarted);
    machine.launchCleanup();
    EXPECT_EQ(machine.lastStop(), LidStopReason::launchCleanup);
    EXPECT_EQ(restarted.sleepDisabled, true);
    EXPECT_FALSE(restarted.record);
    EXPECT_FALSE(machine.currentHold());
}

TEST(LidHoldMachineRestart, nothing_left_behind_means_nothing_to_undo)
{
    FakeLidPlatform platform;
    platform.sleepDisabled = true;
    LidHoldMachine machine(platform);
    machine.launchCleanup();
    EXPECT_EQ(machine.lastStop(), std::nullopt);
    EXPECT_EQ(platform.sleepDisabled, true);
}

TEST(HoldRecordFile, an_unreadable_record_still_counts_as_a_hold_left_behind)
{
    testing::TemporaryFolder folder;
    HoldRecordFile file(folder / "hold.json");
    EXPECT_EQ(file.load(), std::nullopt);

    std::FILE* out = std::fopen((folder / "hold.json").c_str(), "w");
    std::fputs("{not json", out);
    std::fclose(out);
    EXPECT_EQ(file.load(), LidHoldRecord{});
    EXPECT_TRUE(file.remove());
    EXPECT_EQ(file.load(), std::nullopt);
}

}  // namespace
}  // namespace corvane
