// The keep-awake module on a manual clock and scheduler, with a recording
// power manager, a battery in a sysfs tree of the test's own, real child
// processes for Auto Mode's scan, the log on disk and the built `lunebox
// --status` reading it.

#include <chrono>
#include <ctime>
#include <optional>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/KeepAwakeModule.h"
#include "app/desktop/KeepAwakeSection.h"
#include "core/base/ProcessRunner.h"
#include "core/keepawake/KeepAwakeSettings.h"
#include "core/notch/Keys.h"
#include "platform/fake/FakePowerInhibitor.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::KeepAwakeModule;
using corvane::app::KeepAwakeSection;
using corvane::platform::FakePowerInhibitor;
using corvane::testing::ChildProcess;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;
using Event = KeepAwakeLogEntry::Event;

namespace {

struct Harness {
    Harness()
    {
        corvane::testing::qtApplication();
        setBattery(80, "Discharging");
    }

    void setBattery(int percent, const char* status)
    {
        fs::path battery = folder / "sys/class/power_supply/BAT0";
        fs::create_directories(battery);
        std::ofstream(battery / "type") << "Battery\n";
        std::ofstream(battery / "capacity") << percent << "\n";
        std::ofstream(battery / "status") << status << "\n";
    }

    // Runs posted results until `done` holds, without moving the clock.
    bool settle(const std::function<bool()>& done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            scheduler.runPending();
        }
        return done();
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

    std::vector<std::pair<Event, std::string>> logged() const
    {
        std::vector<std::pair<Event, std::string>> out;
        for (const KeepAwakeLogEntry& entry : module->log().entries)
            out.emplace_back(entry.event, entry.reason);
        return out;
    }

    bool earShown()
    {
        return environment.ears().arbiter().activities().contains(std::string(KeepAwakePlan::sessionEarID));
    }

    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    FakePowerInhibitor power;
    fs::path logFile = folder / "data/Lunebox" / std::string(KeepAwakeLog::fileName);
    bool devServers = false;
    // Reset to end the module: its destructor writes out the log.
    std::optional<KeepAwakeModule> module{std::in_place,
                                          KeepAwakeModule::Sources{.settings = environment.settings(),
                                                                   .pipeline = environment.pipeline(),
                                                                   .ears = environment.ears(),
                                                                   .scheduler = scheduler,
                                                                   .clock = clock,
                                                                   .power = power,
                                                                   .logFile = logFile,
                                                                   .sysRoot = folder / "sys",
                                                                   .devServersRunning = [this] { return devServers; },
                                                                   .calendar = Calendar::utc()}};
};

}  // namespace

TEST(KeepAwakeModule, a_timed_session_holds_one_display_inhibitor_and_releases_it_when_its_time_is_up)
{
    Harness h;
    h.module->start();
    EXPECT_EQ(h.power.alive(), 0);

    h.module->startSession(KeepAwakeMode::duration(900));
    EXPECT_EQ(h.power.alive(), 1);
    ASSERT_EQ(h.power.taken.size(), 1u);
    EXPECT_EQ(h.power.taken[0], (FakePowerInhibitor::Taken{AssertionKind::display, "Lunebox Keep Awake"}));
    EXPECT_TRUE(h.earShown());
    EXPECT_EQ(h.module->status().title, "Awake — 15 min more");

    // Another session of the same kind keeps the one hold.
    h.module->startSession(KeepAwakeMode::duration(900));
    EXPECT_EQ(h.power.taken.size(), 1u);
    // Letting the display sleep swaps the kind: the old hold goes before the new one comes.
    h.environment.settings().set(Keys::keepAwakeAllowDisplaySleep, true);
    EXPECT_EQ(h.power.alive(), 1);
    ASSERT_EQ(h.power.taken.size(), 2u);
    EXPECT_EQ(h.power.taken[1].kind, AssertionKind::system);

    h.scheduler.advance(899);
    EXPECT_EQ(h.power.alive(), 1);
    EXPECT_TRUE(h.alerts("keepAwake.ended").empty());
    h.scheduler.advance(2);
    EXPECT_EQ(h.power.alive(), 0);
    EXPECT_FALSE(h.module->session());
    EXPECT_FALSE(h.earShown());
    ASSERT_EQ(h.alerts("keepAwake.ended").size(), 1u);
    EXPECT_EQ(h.alerts("keepAwake.ended")[0].title, "Keep Awake ended");
    EXPECT_EQ(h.logged(), (std::vector<std::pair<Event, std::string>>{{Event::started, "15:00"},
                                                                      {Event::stopped, "manual"},
                                                                      {Event::started, "15:00"},
                                                                      {Event::stopped, "ended"}}));
    // Nothing holds and Auto Mode is off: no timer runs.
    EXPECT_EQ(h.scheduler.pendingTimers(), 0u);
}

TEST(KeepAwakeModule, a_refused_hold_or_a_process_gone_ends_the_session_and_nothing_stays_held)
{
    Harness h;
    h.module->start();
    h.power.refuse = true;
    h.module->startSession(KeepAwakeMode::indefinite());
    EXPECT_FALSE(h.module->session());
    EXPECT_EQ(h.module->lastMessage(), "The system refused to keep the computer awake.");

    h.power.refuse = false;
    ChildProcess child({"/bin/sleep", "30"}, {}, h.folder.path());
    ASSERT_GT(child.pid(), 0);
    h.module->startSession(KeepAwakeMode::whileProcess(child.pid(), "sleep"));
    EXPECT_EQ(h.power.alive(), 1);
    EXPECT_FALSE(h.module->lastMessage());
    h.scheduler.advance(30);
    EXPECT_EQ(h.power.alive(), 1);
    child.stop();
    h.scheduler.advance(30);
    EXPECT_EQ(h.power.alive(), 0);
    EXPECT_EQ(h.alerts("keepAwake.ended").size(), 1u);

    h.devServers = true;
    h.module->startSession(KeepAwakeMode::whileDevServers());
    h.scheduler.advance(30);
    EXPECT_EQ(h.power.alive(), 1);
    h.devServers = false;
    h.scheduler.advance(30);
    EXPECT_EQ(h.power.alive(), 0);
}

TEST(KeepAwakeModule, auto_mode_holds_a_system_inhibitor_while_a_build_runs_and_lets_go_after_its_grace)
{
    Harness h;
    // A process of the user's named like the build tool, matched by a rule without a CPU floor.
    fs::create_directories(h.folder / "bin");
    fs::create_symlink("/bin/sleep", h.folder / "bin/cargo");
    KeepAwakeSettings::setCustomRules(h.environment.settings(), {{WorkloadKind::build, "cargo", 0}});
    h.environment.settings().set(Keys::keepAwakeGraceSeconds, 0);
    h.environment.settings().set(Keys::keepAwakeAutoEnabled, true);
    ChildProcess cargo({(h.folder / "bin/cargo").string(), "30"}, {}, h.folder.path());
    ASSERT_GT(cargo.pid(), 0);

    h.module->start();
    h.scheduler.runPending();
    ASSERT_TRUE(h.settle([&] { return !h.module->autoWorkloads().empty(); })) << "the build was not found";
    EXPECT_EQ(h.module->autoWorkloads()[0].pid, cargo.pid());
    EXPECT_EQ(h.module->autoState(), KeepAwakeRuleState::awake(KeepAwakeReason::workload(WorkloadKind::build, "cargo")));
    EXPECT_EQ(h.power.alive(), 1);
    EXPECT_EQ(h.power.taken.back().kind, AssertionKind::system);
    EXPECT_TRUE(h.earShown());

    cargo.stop();
    // The first scan without it starts the grace, the next one lets go.
    h.scheduler.advance(KeepAwakeModule::autoInterval);
    ASSERT_TRUE(h.settle([&] { return h.module->autoWorkloads().empty(); }));
    EXPECT_TRUE(h.module->autoState().windingUntil());
    EXPECT_EQ(h.power.alive(), 1);
    h.scheduler.advance(KeepAwakeModule::autoInterval);
    ASSERT_TRUE(h.settle([&] { return h.power.alive() == 0; }));
    EXPECT_EQ(h.power.taken.size(), 1u);
    EXPECT_EQ(h.module->autoState(), KeepAwakeRuleState::waiting());
    ASSERT_EQ(h.alerts("keepAwake.workDone").size(), 1u);
    EXPECT_EQ(h.logged(), (std::vector<std::pair<Event, std::string>>{{Event::autoHold, "agents and builds"},
                                                                      {Event::workDone, "cargo"}}));

    // Turned off, Auto Mode stops scanning.
    h.environment.settings().set(Keys::keepAwakeAutoEnabled, false);
    EXPECT_EQ(h.module->autoState(), KeepAwakeRuleState::off());
    EXPECT_EQ(h.scheduler.pendingTimers(), 0u);
}

TEST(KeepAwakeModule, a_low_battery_stops_the_users_hold_with_its_event_and_resume_takes_it_up_again)
{
    Harness h;
    h.module->start();
    h.module->startSession(KeepAwakeMode::duration(3600));
    h.scheduler.advance(600);
    EXPECT_EQ(h.power.alive(), 1);

    h.setBattery(12, "Discharging");
    h.scheduler.advance(KeepAwakeModule::powerInterval);
    EXPECT_EQ(h.power.alive(), 0);
    ASSERT_TRUE(h.module->stopped());
    EXPECT_EQ(h.module->stopped()->cause, StopCause::battery(12));
    ASSERT_EQ(h.alerts("keepAwake.battery").size(), 1u);
    EXPECT_EQ(h.alerts("keepAwake.battery")[0].title, "Battery low");
    EXPECT_EQ(h.alerts("keepAwake.battery")[0].text, "Keep awake stopped at 12% so your computer can sleep safely.");
    EXPECT_EQ(h.module->status().title, "Stopped — battery at 12%");
    EXPECT_EQ(h.module->status().action, KeepAwakeStatus::Action::resume);
    const KeepAwakeLogEntry& guardrail = h.module->log().entries.back();
    EXPECT_EQ(guardrail.event, Event::guardrail);
    EXPECT_EQ(guardrail.reason, "battery");
    EXPECT_EQ(guardrail.battery, 12);
    // Still low: no second stop and no second alert.
    h.scheduler.advance(KeepAwakeModule::powerInterval * 2);
    EXPECT_EQ(h.alerts("keepAwake.battery").size(), 1u);

    // Plugged in, the timer goes on with the time it had left.
    h.setBattery(13, "Charging");
    h.module->resume();
    EXPECT_EQ(h.power.alive(), 1);
    EXPECT_FALSE(h.module->stopped());
    ASSERT_TRUE(h.module->session());
    EXPECT_EQ(h.module->session()->mode, KeepAwakeMode::duration(2970));
}

TEST(KeepAwakeModule, the_log_is_written_with_mode_0600_in_the_form_the_status_command_reads)
{
    Harness h;
    h.module->start();
    h.module->startSession(KeepAwakeMode::indefinite());
    h.module->stopSession();
    h.module.reset();
    struct stat info {};
    ASSERT_EQ(::stat(h.logFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    static ChildRegistry registry;
    ProcessRequest request;
    request.program = LUNEBOX_BIN_DIR "/lunebox";
    request.arguments = {"--status", "--json"};
    request.environment.set = {{"HOME", h.folder.path().string()}, {"XDG_DATA_HOME", (h.folder / "data").string()},
                               {"LUNEBOX_HARNESS", "1"}};
    request.environment.remove = {"DISPLAY", "WAYLAND_DISPLAY"};
    request.timeoutSeconds = 30;
    auto output = ProcessRunner(registry).run(request);
    ASSERT_TRUE(output) << output.error().message();
    ASSERT_TRUE(output->succeeded()) << output->standardError;
    auto document = nlohmann::json::parse(output->standardOutput);
    EXPECT_EQ(document["keepAwake"]["lastEvent"], "stopped");
    EXPECT_EQ(document["keepAwake"]["reason"], "manual");
}

TEST(KeepAwakeModule, the_section_starts_and_stops_sessions_and_checks_the_app_ids_it_adds)
{
    Harness h;
    h.module->start();
    KeepAwakeSection section(*h.module);
    auto quick = section.findChildren<QPushButton*>(QStringLiteral("quickTimer"));
    ASSERT_EQ(quick.size(), 4);
    quick[0]->click();
    ASSERT_TRUE(h.module->session());
    EXPECT_EQ(h.module->session()->mode, KeepAwakeMode::duration(900));
    auto* stop = section.findChild<QPushButton*>(QStringLiteral("stopManual"));
    ASSERT_NE(stop, nullptr);
    stop->click();
    EXPECT_FALSE(h.module->session());
    EXPECT_EQ(h.power.alive(), 0);

    auto* field = section.findChild<QLineEdit*>(QStringLiteral("appField"));
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("firefox"));
    section.addApp();
    EXPECT_TRUE(h.module->rules().appBundleIDs.empty());
    field->setText(QStringLiteral(" org.mozilla.firefox "));
    section.addApp();
    field->setText(QStringLiteral("ORG.MOZILLA.FIREFOX"));
    section.addApp();
    EXPECT_EQ(h.module->rules().appBundleIDs, std::vector<std::string>{"org.mozilla.firefox"});
    EXPECT_EQ(KeepAwakeSettings::rules(h.environment.settings()).appBundleIDs,
              std::vector<std::string>{"org.mozilla.firefox"});
    section.findChild<QPushButton*>(QStringLiteral("removeApp"))->click();
    EXPECT_TRUE(h.module->rules().appBundleIDs.empty());

    // Shown, the section asks for the radar; the program's own lock is left out.
    h.power.inhibitors = {{"sleep", "backupd", "Backing up", "block", 0, 1},
                          {"sleep:idle", "Lunebox", "Lunebox Keep Awake", "block", ::getuid(), ::getpid()}};
    h.module->sectionShown(true);
    ASSERT_EQ(h.module->radar().size(), 1u);
    EXPECT_EQ(h.module->radar()[0].pid, 1);
    EXPECT_EQ(h.module->radar()[0].tag, "System");
    h.module->sectionShown(false);
}
