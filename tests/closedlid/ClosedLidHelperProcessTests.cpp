// The built helper executable, run as a real process on a socket in a
// temporary folder.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "closedlid/ClosedLidHelperClient.h"
#include "closedlid/ClosedLidHelperDigest.h"
#include "closedlid/ClosedLidHelperProbe.h"
#include "closedlid/Sha256.h"
#include "core/base/Files.h"
#include "tests/closedlid/FakeLogind.h"
#include "tests/closedlid/HelperProcess.h"
#include "tests/closedlid/ThisProcess.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

using testing::HelperProcess;
using testing::helperPath;
using testing::thisProcess;

class ClosedLidHelperProcessTest : public ::testing::Test {
protected:
    ClosedLidHelperProcessTest()
    {
        std::filesystem::create_directories(state);
        (void)writeFileAtomically(state / "client.json", thisProcess().encoded());
    }

    testing::TemporaryFolder folder;
    std::filesystem::path state = folder / "state";
    std::filesystem::path socket = folder / "closedlid.sock";
};

TEST(ClosedLidHelperDigest, is_the_sha256_of_the_helper_built_beside_it)
{
    auto actual = fileSHA256(helperPath);
    ASSERT_TRUE(actual) << actual.error().message();
    EXPECT_EQ(closedLidHelperSHA256(), *actual);
}

TEST_F(ClosedLidHelperProcessTest, serves_the_installed_app_and_refuses_a_hold_the_system_does_not_take)
{
    HelperProcess helper(socket, state);
    ASSERT_TRUE(helper.running());
    ClosedLidHelperClient app(socket.string(), 5);

    auto status = app.status();
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->ok);
    EXPECT_EQ(status->helperVersion, ClosedLidHelperVersion);
    EXPECT_FALSE(status->sleepDisabled);

    auto refused = app.hold({120, 3600, 5});
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    EXPECT_EQ(refused->message, "The system didn't accept the setting");
    EXPECT_FALSE(std::filesystem::exists(state / "hold.json"));

    app.disconnect();
    EXPECT_EQ(helper.stop(), 0);
}

TEST_F(ClosedLidHelperProcessTest, cleans_up_a_hold_left_behind_by_an_earlier_run)
{
    ASSERT_TRUE(writeFileAtomically(state / "hold.json", LidHoldRecord{std::nullopt, false}.encoded()).ok());
    HelperProcess helper(socket, state);
    ASSERT_TRUE(helper.running());
    ClosedLidHelperClient app(socket.string(), 5);
    auto status = app.status();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->lastStop, LidStopReason::launchCleanup);
    EXPECT_FALSE(std::filesystem::exists(state / "hold.json"));
}

TEST_F(ClosedLidHelperProcessTest, will_not_start_without_a_client_to_serve)
{
    std::filesystem::remove(state / "client.json");
    HelperProcess helper(socket, state);
    ASSERT_TRUE(helper.running());
    EXPECT_EQ(helper.stop(), 1);
}

TEST_F(ClosedLidHelperProcessTest, the_launch_check_finds_the_installed_helper_ready_or_in_need_of_repair)
{
    ClosedLidInstallation installation{folder / "lunebox-closedlid.socket", folder / "installed-helper"};
    ClosedLidHelperClient app(socket.string(), 5);
    EXPECT_EQ(probeClosedLidHelper(app, closedLidHelperSHA256(), installation), HelperState::notInstalled);

    std::ofstream(installation.socketUnit) << "[Socket]\n";
    EXPECT_EQ(probeClosedLidHelper(app, closedLidHelperSHA256(), installation), HelperState::needsRepair);

    std::filesystem::copy_file(helperPath, installation.helper);
    ::chmod(installation.helper.c_str(), 0775);
    EXPECT_EQ(probeClosedLidHelper(app, closedLidHelperSHA256(), installation), HelperState::needsRepair);

    ::chmod(installation.helper.c_str(), 0755);
    if (::geteuid() != 0)
        GTEST_SKIP() << "the rest needs a helper file owned by root";
    EXPECT_EQ(probeClosedLidHelper(app, closedLidHelperSHA256(), installation), HelperState::unreachable);
    EXPECT_EQ(probeClosedLidHelper(app, std::string(64, 'a'), installation), HelperState::needsRepair);

    HelperProcess helper(socket, state);
    ASSERT_TRUE(helper.running());
    EXPECT_EQ(probeClosedLidHelper(app, closedLidHelperSHA256(), installation), HelperState::ready);
}

TEST_F(ClosedLidHelperProcessTest, a_killed_helper_loses_the_lock_and_its_successor_cleans_up_the_record)
{
    testing::FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    {
        HelperProcess helper(socket, state, logind.address());
        ASSERT_TRUE(helper.running());
        ClosedLidHelperClient app(socket.string(), 5);
        auto held = app.hold({120, 3600, 5});
        ASSERT_TRUE(held);
        EXPECT_TRUE(held->ok) << held->message.value_or("");
        EXPECT_TRUE(held->sleepDisabled);
        EXPECT_EQ(logind.held().size(), 1u);
        EXPECT_TRUE(std::filesystem::exists(state / "hold.json"));
        EXPECT_EQ(helper.stop(SIGKILL), 128 + SIGKILL);
    }
    EXPECT_TRUE(logind.held().empty());

    HelperProcess successor(socket, state, logind.address());
    ASSERT_TRUE(successor.running());
    ClosedLidHelperClient app(socket.string(), 5);
    auto status = app.status();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->lastStop, LidStopReason::launchCleanup);
    EXPECT_FALSE(status->sleepDisabled);
    EXPECT_FALSE(std::filesystem::exists(state / "hold.json"));

    ASSERT_TRUE(app.hold({120, 3600, 5})->ok);
    app.disconnect();
    EXPECT_EQ(successor.stop(), 0);
    EXPECT_TRUE(logind.held().empty()) << "the owner left, so the lock went with it";
}

}  // namespace
}  // namespace corvane
