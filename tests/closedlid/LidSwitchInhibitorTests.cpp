// The lid inhibitor over D-Bus, against a stand-in for logind on a private bus.

#include <gtest/gtest.h>

#include <unistd.h>

#include "closedlid/helper/LidSwitchInhibitor.h"
#include "core/keepawake/ClosedLidPaths.h"
#include "tests/closedlid/FakeLogind.h"

namespace corvane {
namespace {

TEST(LidSwitchInhibitor, holds_a_blocking_lid_switch_lock_while_it_keeps_the_descriptor)
{
    testing::FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    LidSwitchInhibitor inhibitor(logind.address());

    EXPECT_EQ(inhibitor.isHeld(), false);
    ASSERT_TRUE(inhibitor.take());
    EXPECT_EQ(inhibitor.isHeld(), true);
    auto held = logind.held();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].what, ClosedLidPaths::inhibitWhat);
    EXPECT_EQ(held[0].mode, "block");
    EXPECT_EQ(held[0].who, "Lunebox");
    EXPECT_EQ(held[0].pid, static_cast<std::uint32_t>(::getpid()));

    EXPECT_TRUE(inhibitor.take()) << "taking it again keeps the one lock";
    EXPECT_EQ(logind.held().size(), 1u);

    inhibitor.drop();
    EXPECT_EQ(inhibitor.isHeld(), false);
    EXPECT_TRUE(logind.held().empty()) << "logind sees the lock go with the descriptor";
}

TEST(LidSwitchInhibitor, a_bus_that_is_not_there_takes_nothing)
{
    LidSwitchInhibitor inhibitor("unix:path=/nonexistent/bus");
    EXPECT_FALSE(inhibitor.take());
    EXPECT_EQ(inhibitor.isHeld(), false);
}

}  // namespace
}  // namespace corvane
