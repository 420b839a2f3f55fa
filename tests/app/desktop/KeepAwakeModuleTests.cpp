// The keep-awake module on a manual clock and scheduler, with a recording
// power manager, a lid and shortcuts the test works, a battery in a sysfs
// tree of the test's own, real child processes for Auto Mode's scan and the
// radar's quit, the log on disk and the built `lunebox --status` reading it.

#include <chrono>
#include <ctime>
#include <optional>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/KeepAwakeModule.h"
#include "app/desktop/KeepAwakeSection.h"
#include "core/base/ProcessRunner.h"
#include "core/keepawake/KeepAwakeSettings.h"
#include "core/notch/Keys.h"
#include "platform/fake/FakeGlobalHotkeys.h"
#include "platform/fake/FakeLidSwitch.h"
#include "platform/fake/FakePowerInhibitor.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::KeepAwakeModule;
using corvane::app::KeepAwakeSection;
using corvane::platform::FakeGlobalHotkeys;
using corvane::platform::FakeLidSwitch;
using corvane::platform::FakePowerInhibitor;
using corvane::platform::KeyCombination;
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

    EarContent earLeft()
    {
        return environment.ears().arbiter().activities().at(std::string(KeepAwakePlan::sessionEarID)).left;
    }

    KeepAwakeModule::Sources sources()
    {
        return {.settings = environment.settings(),
                .pipeline = environment.pipeline(),
                .ears = environment.ears(),
                .scheduler = scheduler,
                .clock = clock,
                .power = power,
                .logFile = logFile,
                .sysRoot = folder / "sys",
                .devServersRunning = [this] { return devServers; },
                .calendar = Calendar::utc(),
                .lidSwitch = &lid,
                .hotkeys = &hotkeys};
    }

    // Quits and launches again, as a restart of the program would.
    void restart()
    {
        module.reset();
        module.emplace(sources());
        module->start();
    }

    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    FakePowerInhibitor power;
    fs::path logFile = folder / "data/Lunebox" / std::string(KeepAwakeLog::fileName);
    bool devServers = false;
    FakeLidSwitch lid;
    FakeGlobalHotkeys hotkeys;
    // Reset to end the module: its destructor writes out the log.
    std::optional<KeepAwakeModule> module{std::in_place, sources()};
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

TEST(KeepAwakeModule, closing_the_lid_while_a_hold_runs_is_logged_and_opening_it_again_shows_the_recap)
{
    Harness h;
    h.module->start();
    // Nothing holds: the lid is nobody's business.
    h.lid.set(true, true);
    h.lid.set(false, true);
    EXPECT_TRUE(h.logged().empty());

    h.module->startSession(KeepAwakeMode::indefinite());
    // logind never announces the lid: the 30 s tick reads it.
    h.lid.set(true, false);
    h.scheduler.advance(KeepAwakeModule::powerInterval - 1);
    EXPECT_FALSE(h.module->lidIsClosed());
    h.scheduler.advance(1);
    EXPECT_TRUE(h.module->lidIsClosed());
    EXPECT_TRUE(h.module->inputs().lidClosed);
    EXPECT_FALSE(h.module->recap());

    // Nothing holds any more, but the opening is still awaited.
    h.module->stopSession();
    h.lid.set(false, false);
    h.scheduler.advance(KeepAwakeModule::powerInterval);
    EXPECT_FALSE(h.module->lidIsClosed());
    EXPECT_EQ(h.logged(), (std::vector<std::pair<Event, std::string>>{{Event::started, "∞"},
                                                                      {Event::lidClosed, ""},
                                                                      {Event::stopped, "manual"},
                                                                      {Event::lidOpened, ""}}));
    ASSERT_TRUE(h.module->recap());
    EXPECT_EQ(h.module->recap()->summary, "Work was working.");
    EXPECT_EQ(h.module->status().title, "While the lid was closed");
    EXPECT_EQ(h.module->status().sub, "Work was working.");

    KeepAwakeSection section(*h.module);
    bool shown = false;
    for (QLabel* text : section.findChildren<QLabel*>())
        shown = shown || text->text() == QStringLiteral("Lid closed");
    EXPECT_TRUE(shown) << "the recap card lists the lid's closing";
    auto* done = section.findChild<QPushButton*>(QStringLiteral("done"));
    ASSERT_NE(done, nullptr);
    done->click();
    EXPECT_FALSE(h.module->recap());
    EXPECT_EQ(h.scheduler.pendingTimers(), 0u);
}

TEST(KeepAwakeModule, auto_mode_logs_the_work_that_held_when_the_lid_closes)
{
    Harness h;
    fs::create_directories(h.folder / "bin");
    fs::create_symlink("/bin/sleep", h.folder / "bin/cargo");
    KeepAwakeSettings::setCustomRules(h.environment.settings(), {{WorkloadKind::build, "cargo", 0}});
    h.environment.settings().set(Keys::keepAwakeAutoEnabled, true);
    ChildProcess cargo({(h.folder / "bin/cargo").string(), "30"}, {}, h.folder.path());
    ASSERT_GT(cargo.pid(), 0);
    h.module->start();
    h.scheduler.runPending();
    ASSERT_TRUE(h.settle([&] { return h.power.alive() == 1; })) << "the build was not found";

    // A manager that announces the lid is heard at once.
    h.lid.set(true, true);
    EXPECT_EQ(h.module->log().entries.back().event, Event::lidClosed);
    EXPECT_EQ(h.module->log().entries.back().reason, "cargo");
    h.power.sendSleep(true);
    h.power.sendSleep(false);
    h.lid.set(false, true);
    ASSERT_TRUE(h.module->recap());
    EXPECT_EQ(h.module->recap()->summary, "cargo was working.");
    EXPECT_EQ(h.module->recap()->rows.back().text, "Computer went to sleep");
}

TEST(KeepAwakeModule, a_stay_hold_outlives_a_restart_until_its_first_deadline_but_not_its_stop)
{
    Harness h;
    h.module->start();
    h.module->setLidChoice(LidChoice::stayAwake);
    ASSERT_TRUE(h.module->stay());
    StayHold first = *h.module->stay();

    h.clock.advance(3600);
    h.restart();
    EXPECT_EQ(h.module->stay(), first);
    EXPECT_EQ(h.power.alive(), 1);

    // Stopped by the user, it stays stopped; choosing it again starts afresh.
    h.module->stopStay();
    h.restart();
    EXPECT_FALSE(h.module->stay());
    EXPECT_EQ(h.module->choice(), LidChoice::stayAwake);
    h.module->setLidChoice(LidChoice::stayAwake);
    ASSERT_TRUE(h.module->stay());
    EXPECT_EQ(h.module->stay()->startedAt, h.clock.now());

    // Past its deadline, a restart takes nothing up.
    h.module.reset();
    h.clock.advance(StayHold::defaultSeconds);
    h.restart();
    EXPECT_FALSE(h.module->stay());
    EXPECT_EQ(h.power.alive(), 0);
}

TEST(KeepAwakeModule, the_shortcuts_follow_their_settings_and_one_taken_elsewhere_is_said_in_the_section)
{
    Harness h;
    SettingsStore& settings = h.environment.settings();
    settings.set(Keys::hotkeyKeepAwakeStop, Hotkey("LOGO+ALT+s"));
    settings.set(Keys::hotkeyKeepAwakeLid, Hotkey("CTRL+ALT+l"));
    h.hotkeys.taken = {*KeyCombination::parse("CTRL+ALT+l")};
    h.module->start();

    auto autoMode = h.hotkeys.registered(Keys::hotkeyKeepAwakeAuto.name);
    ASSERT_TRUE(autoMode);
    EXPECT_EQ(autoMode, KeyCombination::parse(*Keys::hotkeyKeepAwakeAuto.defaultValue));
    EXPECT_TRUE(h.hotkeys.press(*autoMode));
    EXPECT_TRUE(h.module->autoEnabled());
    h.hotkeys.press(*autoMode);
    EXPECT_FALSE(h.module->autoEnabled());
    h.module->startSession(KeepAwakeMode::indefinite());
    EXPECT_TRUE(h.hotkeys.press(*KeyCombination::parse("LOGO+ALT+s")));
    EXPECT_FALSE(h.module->session());

    EXPECT_FALSE(h.hotkeys.registered(Keys::hotkeyKeepAwakeLid.name));
    EXPECT_EQ(h.module->hotkeyProblems(), std::vector<std::string>{"Stay awake: Ctrl+Alt+L is taken by another program."});
    {
        KeepAwakeSection section(*h.module);
        auto* problem = section.findChild<QLabel*>(QStringLiteral("hotkeyProblem"));
        ASSERT_NE(problem, nullptr);
        EXPECT_EQ(problem->text(), QStringLiteral("Stay awake: Ctrl+Alt+L is taken by another program."));
    }

    // A new combination is taken up at once, and toggles the stay hold.
    settings.set(Keys::hotkeyKeepAwakeLid, Hotkey("CTRL+ALT+k"));
    EXPECT_TRUE(h.module->hotkeyProblems().empty());
    EXPECT_TRUE(h.hotkeys.press(*KeyCombination::parse("CTRL+ALT+k")));
    EXPECT_TRUE(h.module->stay());
    h.hotkeys.press(*KeyCombination::parse("CTRL+ALT+k"));
    EXPECT_FALSE(h.module->stay());
    EXPECT_EQ(h.module->choice(), LidChoice::sleepWhenDone);

    settings.set(Keys::hotkeyKeepAwakeLid, Hotkey("CTRL+ALT+"));
    EXPECT_EQ(h.module->hotkeyProblems(),
              std::vector<std::string>{"Stay awake: \"CTRL+ALT+\" is no shortcut this keyboard can type."});
    settings.set(Keys::hotkeyKeepAwakeStop, Hotkey());
    EXPECT_FALSE(h.hotkeys.registered(Keys::hotkeyKeepAwakeStop.name));
    h.module->stop();
    EXPECT_FALSE(h.hotkeys.registered(Keys::hotkeyKeepAwakeAuto.name));
}

TEST(KeepAwakeModule, a_narrow_ear_says_the_short_words)
{
    Harness h;
    h.module->start();
    h.module->startSession(KeepAwakeMode::duration(3600));
    h.setBattery(12, "Discharging");
    h.scheduler.advance(KeepAwakeModule::powerInterval);
    ASSERT_TRUE(h.module->stopped());
    ASSERT_TRUE(h.earShown());
    EXPECT_EQ(h.earLeft(), EarContent::symbolText("battery.25", "Ended"));
    h.environment.settings().set(Keys::earWidth, EarWidth::regular);
    EXPECT_EQ(h.earLeft(), EarContent::symbolText("battery.25", "Stopped"));
}

TEST(KeepAwakeModule, the_section_edits_the_users_workload_rules_and_refuses_what_is_not_valid)
{
    Harness h;
    h.module->start();
    KeepAwakeSection section(*h.module);
    auto* kind = section.findChild<QComboBox*>(QStringLiteral("ruleKind"));
    auto* match = section.findChild<QLineEdit*>(QStringLiteral("ruleMatch"));
    auto* cpu = section.findChild<QDoubleSpinBox*>(QStringLiteral("ruleCPU"));
    ASSERT_TRUE(kind && match && cpu);
    auto problem = [&] {
        for (QLabel* text : section.findChildren<QLabel*>()) {
            if (text->property("role").toString() == QStringLiteral("problem") && !text->isHidden())
                return text->text().toStdString();
        }
        return std::string();
    };

    match->setText(QStringLiteral("   "));
    section.saveRule();
    EXPECT_EQ(problem(), "Type a process name or a phrase of its command line.");
    match->setText(QString(101, QLatin1Char('x')));
    section.saveRule();
    EXPECT_EQ(problem(), "A rule matches at most 100 characters, without control characters.");
    match->setText(QStringLiteral("render\tfarm"));
    section.saveRule();
    EXPECT_EQ(problem(), "A rule matches at most 100 characters, without control characters.");
    EXPECT_TRUE(h.module->customRules().empty());

    kind->setCurrentIndex(kind->findData(int(WorkloadKind::build)));
    match->setText(QStringLiteral(" bazel build "));
    cpu->setValue(5);
    section.saveRule();
    EXPECT_EQ(problem(), "");
    EXPECT_EQ(KeepAwakeSettings::customRules(h.environment.settings()),
              (std::vector<WorkloadRule>{{WorkloadKind::build, "bazel build", 5}}));
    match->setText(QStringLiteral("BAZEL BUILD"));
    section.saveRule();
    EXPECT_EQ(problem(), "That rule is listed already.");

    // Edited in place, then removed.
    section.findChild<QPushButton*>(QStringLiteral("editRule"))->click();
    EXPECT_EQ(match->text(), QStringLiteral("bazel build"));
    match->setText(QStringLiteral("bazel test"));
    cpu->setValue(0);
    section.saveRule();
    EXPECT_EQ(h.module->customRules(), (std::vector<WorkloadRule>{{WorkloadKind::build, "bazel test", 0}}));
    section.findChild<QPushButton*>(QStringLiteral("removeRule"))->click();
    EXPECT_TRUE(h.module->customRules().empty());
}

TEST(KeepAwakeModule, a_radar_app_quits_only_after_its_confirmation_and_system_rows_offer_no_quit)
{
    Harness h;
    // A copy, not a link: the kernel names the copy as the process's executable, outside system folders.
    fs::create_directories(h.folder / "apps");
    fs::copy_file("/bin/sleep", h.folder / "apps/player");
    ChildProcess player({(h.folder / "apps/player").string(), "30"}, {"GIO_LAUNCHED_DESKTOP_FILE=/x/player.desktop"},
                        h.folder.path());
    ASSERT_GT(player.pid(), 0);
    h.power.inhibitors = {{"sleep", "backupd", "Backing up", "block", 0, 1},
                          {"idle", "player", "Playing", "block", ::getuid(), player.pid()}};
    h.module->start();
    KeepAwakeSection section(*h.module);
    h.module->sectionShown(true);
    ASSERT_EQ(h.module->radar().size(), 2u);
    EXPECT_FALSE(h.module->quitRadarProcess(1)) << "a system row";
    EXPECT_FALSE(h.module->quitRadarProcess(::getpid()));
    if (::getuid() == 0) {
        // Every process of root's is the system's own.
        EXPECT_TRUE(section.findChildren<QPushButton*>(QStringLiteral("quitProcess")).isEmpty());
        h.module->sectionShown(false);
        return;
    }
    auto exited = [&] { return ::waitpid(player.pid(), nullptr, WNOHANG) == player.pid(); };
    auto quits = section.findChildren<QPushButton*>(QStringLiteral("quitProcess"));
    ASSERT_EQ(quits.size(), 1);
    quits[0]->click();
    EXPECT_FALSE(exited()) << "asked, not yet quit";
    section.findChild<QPushButton*>(QStringLiteral("cancelQuit"))->click();
    section.findChild<QPushButton*>(QStringLiteral("quitProcess"))->click();
    section.findChild<QPushButton*>(QStringLiteral("confirmQuit"))->click();
    EXPECT_TRUE(h.settle(exited));
    h.module->sectionShown(false);
}
