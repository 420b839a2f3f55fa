// The keep-awake module with the real closed-lid helper: the built helper
// process on a socket of the test's own, its lid inhibitor taken from a
// fake logind on a private dbus-daemon, and the module on a manual clock.

#include <chrono>
#include <csignal>
#include <ctime>
#include <fstream>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/KeepAwakeModule.h"
#include "app/desktop/KeepAwakeSection.h"
#include "closedlid/ClosedLidHelperClient.h"
#include "core/base/Files.h"
#include "platform/fake/FakePowerInhibitor.h"
#include "tests/app/QtTestApplication.h"
#include "tests/closedlid/FakeLogind.h"
#include "tests/closedlid/HelperProcess.h"
#include "tests/closedlid/ThisProcess.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::ClosedLidLink;
using corvane::app::KeepAwakeModule;
using corvane::app::KeepAwakeSection;
using corvane::platform::FakePowerInhibitor;
using corvane::testing::FakeLogind;
using corvane::testing::HelperProcess;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;
using Event = KeepAwakeLogEntry::Event;

namespace {

struct LidHarness {
    // `installed`: the helper's unit and a root-owned copy of the helper
    // are in place, as the launch check wants them.
    explicit LidHarness(bool installed)
    {
        corvane::testing::qtApplication();
        fs::create_directories(state);
        (void)writeFileAtomically(state / "client.json", corvane::testing::thisProcess().encoded());
        if (installed) {
            std::ofstream(installation.socketUnit) << "[Socket]\n";
            fs::copy_file(corvane::testing::helperPath, installation.helper);
            ::chmod(installation.helper.c_str(), 0755);
        }
        module.emplace(KeepAwakeModule::Sources{.settings = environment.settings(),
                                                .pipeline = environment.pipeline(),
                                                .ears = environment.ears(),
                                                .scheduler = scheduler,
                                                .clock = clock,
                                                .power = power,
                                                .logFile = folder / "keepawake-log.json",
                                                .sysRoot = folder / "sys",
                                                .calendar = Calendar::utc(),
                                                .closedLid = ClosedLidLink::Options{socket.string(), installation,
                                                                                    "", 5}});
    }

    // Runs the answers posted to the main thread until `done` holds, without moving the clock.
    bool settle(const std::function<bool()>& done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            scheduler.runPending();
        }
        return done();
    }

    // Starts the module against the running helper and takes the lease by
    // choosing to stay awake.
    ::testing::AssertionResult holdLease()
    {
        module->start();
        if (!settle([&] { return module->helper() == HelperState::ready; }))
            return ::testing::AssertionFailure() << "the helper never became ready";
        module->setLidChoice(LidChoice::stayAwake);
        if (!settle([&] { return module->leaseHeld(); }))
            return ::testing::AssertionFailure() << "the lease was not taken";
        return ::testing::AssertionSuccess();
    }

    std::vector<Event> lidEvents() const
    {
        std::vector<Event> out;
        for (const KeepAwakeLogEntry& entry : module->log().entries) {
            if (entry.event == Event::closedLidOn || entry.event == Event::closedLidOff
                || entry.event == Event::guardrail)
                out.push_back(entry.event);
        }
        return out;
    }

    std::vector<AlertRecord> alerts(std::string_view kind)
    {
        std::vector<AlertRecord> found;
        for (const AlertRecord& record : environment.alerts().history().records) {
            if (record.kind == kind)
                found.push_back(record);
        }
        return found;
    }

    TemporaryFolder folder;
    fs::path state = folder / "state";
    fs::path socket = folder / "closedlid.sock";
    ClosedLidInstallation installation{folder / "lunebox-closedlid.socket", folder / "installed-helper"};
    AppEnvironment environment{corvane::testing::harnessPaths(folder.path())};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    FakePowerInhibitor power;
    std::optional<KeepAwakeModule> module;
};

// The launch check wants the installed helper to be root's.
#define REQUIRE_ROOT()                                                                                                 \
    if (::geteuid() != 0)                                                                                              \
    GTEST_SKIP() << "needs a helper file owned by root"

}  // namespace

TEST(KeepAwakeClosedLid, without_the_helper_the_card_offers_the_install_and_no_lease_is_asked)
{
    LidHarness h(false);
    h.module->start();
    ASSERT_TRUE(h.settle([&] { return h.module->helper() == HelperState::notInstalled; }));
    EXPECT_TRUE(KeepAwakePlan::decide(h.module->inputs()).helperCard);

    KeepAwakeSection section(*h.module);
    auto* install = section.findChild<QPushButton*>(QStringLiteral("installHelper"));
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(install->text(), QStringLiteral("Install"));
    auto* remove = section.findChild<QPushButton*>(QStringLiteral("removeHelper"));
    ASSERT_NE(remove, nullptr);
    EXPECT_TRUE(remove->isHidden()) << "nothing to remove";

    // The stay choice holds the lid-open inhibitor only.
    h.module->setLidChoice(LidChoice::stayAwake);
    h.scheduler.runPending();
    EXPECT_EQ(h.power.alive(), 1);
    EXPECT_FALSE(h.module->leaseHeld());
    EXPECT_FALSE(h.module->lidStatus());
}

TEST(KeepAwakeClosedLid, the_stay_choice_takes_the_lease_renews_it_on_the_timer_and_releases_it_when_the_choice_changes)
{
    REQUIRE_ROOT();
    LidHarness h(true);
    FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    HelperProcess helper(h.socket, h.state, logind.address());
    ASSERT_TRUE(helper.running());

    h.module->start();
    ASSERT_TRUE(h.settle([&] { return h.module->helper() == HelperState::ready; }));
    EXPECT_TRUE(logind.held().empty());
    {
        KeepAwakeSection section(*h.module);
        EXPECT_EQ(section.findChild<QPushButton*>(QStringLiteral("installHelper")), nullptr);
        EXPECT_FALSE(section.findChild<QPushButton*>(QStringLiteral("removeHelper"))->isHidden());
    }

    h.module->setLidChoice(LidChoice::stayAwake);
    ASSERT_TRUE(h.settle([&] { return h.module->leaseHeld(); }));
    EXPECT_EQ(logind.held().size(), 1u);
    ASSERT_TRUE(h.module->lidStatus() && h.module->lidStatus()->hold);
    LidHold first = *h.module->lidStatus()->hold;
    EXPECT_EQ(first.leaseSeconds, KeepAwakeModule::leaseSeconds);
    EXPECT_EQ(first.batteryFloor, KeepAwakePlan::leaseBatteryFloor(h.module->guardrails()));
    // The stay hold's eight hours bound the helper's deadline.
    EXPECT_NEAR(first.deadline.secondsSince(first.startedAt), 8 * 3600, 2);

    // Each renewal moves the lease on; the helper's clock is the real one.
    for (int renewal = 0; renewal < 2; ++renewal) {
        LidHold before = *h.module->lidStatus()->hold;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        h.scheduler.advance(KeepAwakeModule::renewInterval);
        ASSERT_TRUE(h.settle([&] { return h.module->lidStatus()->hold->leaseUntil > before.leaseUntil; }));
        EXPECT_EQ(h.module->lidStatus()->hold->startedAt, first.startedAt);
    }
    EXPECT_TRUE(h.module->leaseHeld());

    h.module->setLidChoice(LidChoice::sleepNormally);
    ASSERT_TRUE(h.settle([&] { return !h.module->lidStatus()->holding; }));
    EXPECT_FALSE(h.module->leaseHeld());
    EXPECT_EQ(h.module->lidStatus()->lastStop, LidStopReason::released);
    EXPECT_TRUE(logind.held().empty());
    EXPECT_EQ(h.lidEvents(), (std::vector<Event>{Event::closedLidOn, Event::closedLidOff}));
    // Nothing is wanted: no renewal is left armed.
    h.scheduler.advance(KeepAwakeModule::renewInterval);
    h.scheduler.runPending();
    EXPECT_EQ(h.lidEvents().size(), 2u);
}

TEST(KeepAwakeClosedLid, the_helper_going_away_stops_the_holds_with_the_lid_setting_lost_alert)
{
    REQUIRE_ROOT();
    LidHarness h(true);
    FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    HelperProcess helper(h.socket, h.state, logind.address());
    ASSERT_TRUE(helper.running());
    ASSERT_TRUE(h.holdLease());

    helper.stop(SIGKILL);
    EXPECT_TRUE(h.settle([&] { return logind.held().empty(); })) << "logind drops a dead helper's lock";
    // The next renewal finds nobody.
    h.scheduler.advance(KeepAwakeModule::renewInterval);
    ASSERT_TRUE(h.settle([&] { return h.module->stopped().has_value(); }));
    EXPECT_EQ(h.module->stopped()->cause, StopCause::helperFailed());
    EXPECT_EQ(h.module->helper(), HelperState::unreachable);
    EXPECT_FALSE(h.module->leaseHeld());
    EXPECT_FALSE(h.module->stay());
    EXPECT_EQ(h.power.alive(), 0);
    auto lost = h.alerts("keepAwake.ended");
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].title, "Lid setting lost");
    EXPECT_EQ(h.lidEvents(), (std::vector<Event>{Event::closedLidOn, Event::closedLidOff, Event::guardrail}));
    EXPECT_EQ(h.module->log().entries.back().reason, "failed");

    // An unreachable helper is not asked again on the next plan.
    h.scheduler.advance(KeepAwakeModule::renewInterval);
    h.scheduler.runPending();
    EXPECT_EQ(h.alerts("keepAwake.ended").size(), 1u);
}

TEST(KeepAwakeClosedLid, quitting_releases_the_lease_before_the_connection_closes)
{
    REQUIRE_ROOT();
    LidHarness h(true);
    FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    HelperProcess helper(h.socket, h.state, logind.address());
    ASSERT_TRUE(helper.running());
    ASSERT_TRUE(h.holdLease());

    h.module.reset();
    EXPECT_TRUE(logind.held().empty());
    ClosedLidHelperClient observer(h.socket.string(), 5);
    auto status = observer.status();
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->holding);
    // Released by the app, not dropped with its connection.
    EXPECT_EQ(status->lastStop, LidStopReason::released);
}

TEST(KeepAwakeClosedLid, the_tick_checks_the_helper_again_so_one_that_comes_back_takes_the_wanted_lease)
{
    REQUIRE_ROOT();
    LidHarness h(true);
    FakeLogind logind;
    ASSERT_FALSE(logind.address().empty()) << "dbus-daemon did not start";
    // Installed, but not running yet.
    h.module->start();
    ASSERT_TRUE(h.settle([&] { return h.module->helper() == HelperState::unreachable; }));
    h.module->setLidChoice(LidChoice::stayAwake);
    h.scheduler.runPending();
    EXPECT_FALSE(h.module->leaseHeld());
    EXPECT_TRUE(KeepAwakePlan::decide(h.module->inputs()).helperCard);

    HelperProcess helper(h.socket, h.state, logind.address());
    ASSERT_TRUE(helper.running());
    h.scheduler.advance(KeepAwakeModule::helperCheckInterval);
    ASSERT_TRUE(h.settle([&] { return h.module->leaseHeld(); }));
    EXPECT_EQ(h.module->helper(), HelperState::ready);
    EXPECT_EQ(logind.held().size(), 1u);
    EXPECT_EQ(h.power.alive(), 1);
}
