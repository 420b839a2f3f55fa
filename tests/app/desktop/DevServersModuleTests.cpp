// The dev-servers module against real servers: Python's http.server started
// by the test in project folders of its own, found by the module's real
// scanner on its worker thread. The module's timer runs on a manual
// scheduler, so each scan happens when the test says.

#include <chrono>
#include <ctime>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include <QLabel>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/DevServersModule.h"
#include "app/desktop/RuntimeSection.h"
#include "core/base/FileDescriptor.h"
#include "core/notch/Keys.h"
#include "core/runtime/DevScanCadence.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::DevServersModule;
using corvane::app::RuntimeSection;
using corvane::testing::ChildProcess;
using corvane::testing::harnessPaths;
using corvane::testing::portIn;
using corvane::testing::TemporaryFolder;
namespace DevServerWords = corvane::app::DevServerWords;
namespace fs = std::filesystem;

namespace {

const char* const python = "/usr/bin/python3";

// A module on a manual timer, raising its alerts into a harness app's
// history and ears.
struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    DevServersModule module{DevServersModule::Sources{environment.settings(), environment.pipeline(),
                                                      environment.ears(), scheduler, clock}};

    // Fires the module's timer and waits for the scan to come back, which
    // arms the timer again.
    void runNextScan()
    {
        double delay = scheduler.nextDelay();
        ASSERT_GE(delay, 0) << "no scan is scheduled";
        scheduler.advance(delay);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (scheduler.pendingTimers() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            scheduler.runPending();
        }
        ASSERT_EQ(scheduler.pendingTimers(), 1u) << "the scan did not come back";
    }

    std::unique_ptr<ChildProcess> startServer(const std::string& project, int port, int& bound)
    {
        fs::path where = folder / project;
        fs::create_directories(where);
        std::ofstream(where / "package.json") << R"({"devDependencies": {"vite": "^5.0.0"}})";
        auto child = std::make_unique<ChildProcess>(
            std::vector<std::string>{python, "-u", "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"},
            std::vector<std::string>{}, where);
        auto line = child->lineContaining("port ");
        bound = line ? portIn(*line) : 0;
        return child;
    }

    // The records of one kind that mention the port.
    std::vector<AlertRecord> alerts(std::string_view kind, int port)
    {
        std::vector<AlertRecord> found;
        for (const AlertRecord& record : environment.alerts().history().records) {
            std::string words = record.title + " " + record.text;
            if (record.kind == kind && words.find(std::to_string(port)) != std::string::npos)
                found.push_back(record);
        }
        return found;
    }

    bool publishes(int port)
    {
        for (const PortRow& row : module.ports()) {
            if (row.listener.port == port)
                return true;
        }
        return false;
    }

    // Other tests on this machine may run servers too: the ear counts them all.
    void expectLiveEarFollowsServers()
    {
        const auto& activities = environment.ears().arbiter().activities();
        auto live = activities.find(DevServersModule::liveActivityID);
        if (module.servers().empty()) {
            EXPECT_EQ(live, activities.end());
            return;
        }
        ASSERT_NE(live, activities.end());
        EXPECT_EQ(live->second.priority, 20);
        EXPECT_EQ(live->second.tintHex, "#34C759");
        EXPECT_EQ(live->second.right, EarContent::text(DevServerWords::liveText(module.servers())));
    }
};

// A database port nothing listens on: a server there is no dev server.
int freeDatabasePort()
{
    for (int port : {5984, 9042, 8123, 26257, 8086, 11211, 9300, 9200}) {
        FileDescriptor probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return port;
    }
    return 0;
}

DevServer sampleServer(int port, std::optional<std::string> project, Framework framework)
{
    DevServer server;
    server.listener = {4242, port, ListenAddress::loopback, IPFamily::ipv4};
    server.identity = {4242, 1'700'000'000'000'000, "/usr/bin/python3"};
    server.name = "python3";
    server.runtime = Runtime::python;
    server.framework = framework;
    server.project = std::move(project);
    return server;
}

PortRow portRow(Listener listener, std::string name, std::string path, std::string command, bool isDevServer)
{
    PortRow row;
    row.listener = listener;
    row.name = std::move(name);
    row.path = std::move(path);
    row.command = std::move(command);
    row.isDevServer = isDevServer;
    row.own = true;
    return row;
}

}  // namespace

TEST(DevServersModule, a_server_that_starts_and_stops_is_announced_and_carried_by_the_ear)
{
    if (::access(python, X_OK) != 0)
        GTEST_SKIP() << "no " << python;
    Harness harness;
    harness.environment.settings().setAlert("devServers.up", true);
    harness.module.start();
    EXPECT_DOUBLE_EQ(harness.scheduler.nextDelay(), DevServersModule::firstScanDelay);
    harness.runNextScan();  // servers already running are never announced
    EXPECT_DOUBLE_EQ(harness.scheduler.nextDelay(), DevScanCadence::background);

    int port = 0;
    auto server = harness.startServer("shop", 0, port);
    ASSERT_GT(port, 0) << "the server did not start";
    harness.runNextScan();
    ASSERT_TRUE(harness.publishes(port));
    auto started = harness.alerts("devServers.up", port);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].title, "Vite started");
    EXPECT_EQ(started[0].text, "shop on http://localhost:" + std::to_string(port));
    EXPECT_EQ(started[0].action, AlertRecord::Action::openURL("http://localhost:" + std::to_string(port)));
    harness.expectLiveEarFollowsServers();

    // One missed scan is no stop yet; the second is.
    server->stop();
    harness.runNextScan();
    EXPECT_FALSE(harness.publishes(port));
    EXPECT_TRUE(harness.alerts("devServers.down", port).empty());
    harness.runNextScan();
    auto stopped = harness.alerts("devServers.down", port);
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_EQ(stopped[0].title, "Vite stopped");
    EXPECT_EQ(stopped[0].text, "Port " + std::to_string(port) + " is free again.");
    ASSERT_FALSE(harness.module.recentlyDown().empty());
    EXPECT_EQ(harness.module.recentlyDown().back().server.listener.port, port);
    EXPECT_EQ(harness.module.recentlyDown().back().at, harness.clock.now());
    harness.expectLiveEarFollowsServers();
}

TEST(DevServersModule, an_ignored_port_never_shows_and_a_watched_port_of_another_program_is_announced)
{
    if (::access(python, X_OK) != 0)
        GTEST_SKIP() << "no " << python;
    Harness harness;
    SettingsStore& settings = harness.environment.settings();
    settings.setAlert("devServers.up", true);
    harness.module.start();
    harness.runNextScan();

    int ignored = 0;
    auto devServer = harness.startServer("ignored", 0, ignored);
    int databasePort = freeDatabasePort();
    ASSERT_GT(databasePort, 0) << "no free database port";
    int watched = 0;
    auto database = harness.startServer("store", databasePort, watched);
    ASSERT_GT(ignored, 0);
    ASSERT_EQ(watched, databasePort);
    settings.set(Keys::devServersIgnoredPorts, IntList{ignored});
    settings.set(Keys::devServersWatchedPorts, IntList{watched});
    harness.runNextScan();

    EXPECT_FALSE(harness.publishes(ignored));
    EXPECT_TRUE(harness.alerts("devServers.up", ignored).empty());
    ASSERT_TRUE(harness.publishes(watched));
    EXPECT_TRUE(harness.alerts("devServers.up", watched).empty()) << "a database is no dev server";
    auto up = harness.alerts("devServers.watch", watched);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].title, "Port " + std::to_string(watched) + " is up");
    EXPECT_EQ(up[0].text, ":" + std::to_string(watched) + " up");

    database->stop();
    harness.runNextScan();
    harness.runNextScan();
    auto both = harness.alerts("devServers.watch", watched);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].title, "Port " + std::to_string(watched) + " is down");  // newest first
    EXPECT_EQ(both[0].text, ":" + std::to_string(watched) + " down");
}

TEST(DevServersModule, freezing_drops_the_timer_and_a_shown_section_makes_the_scans_measure_loads_sooner)
{
    Harness harness;
    harness.environment.settings().set(Keys::devServersScanInterval, 1);
    harness.module.start();
    harness.module.setFrozen(true);
    EXPECT_EQ(harness.scheduler.pendingTimers(), 0u);
    harness.module.setFrozen(false);
    harness.runNextScan();
    EXPECT_DOUBLE_EQ(harness.scheduler.nextDelay(), DevScanCadence::background);

    auto section = std::make_unique<RuntimeSection>(harness.module);
    section->setAttribute(Qt::WA_DontShowOnScreen);
    section->show();
    EXPECT_TRUE(harness.module.isVisible());
    EXPECT_DOUBLE_EQ(harness.scheduler.nextDelay(), DevServersModule::firstScanDelay);
    harness.runNextScan();
    EXPECT_DOUBLE_EQ(harness.scheduler.nextDelay(), 2.0);  // the shortest visible cadence
    section.reset();
    EXPECT_FALSE(harness.module.isVisible());
}

TEST(DevServersModule, words_name_the_framework_the_project_or_process_and_the_count)
{
    auto django = sampleServer(8000, "billing", Framework::django);
    auto unknown = sampleServer(8080, std::nullopt, Framework::other);
    EXPECT_EQ(DevServerWords::started(unknown).title, "Server started");
    EXPECT_EQ(DevServerWords::started(unknown).body, "python3 on http://localhost:8080");
    EXPECT_EQ(DevServerWords::started(django).ear->text, ":8000");
    EXPECT_EQ(DevServerWords::started(django).card->primary, AlertCardPlan::Primary::openURL("http://localhost:8000"));
    EXPECT_EQ(DevServerWords::liveText({django}), ":8000");
    EXPECT_EQ(DevServerWords::liveText({django, unknown, django}), "3 servers");
}

TEST(RuntimeSection, rows_show_the_server_its_uptime_and_load_and_each_port_with_its_origin)
{
    Harness harness;
    WallTime now = harness.clock.now();
    DevServer vite = sampleServer(5173, "shop", Framework::vite);
    vite.identity.startTime = std::uint64_t(now.plusSeconds(-12 * 60 - 5).unixSeconds()) * 1'000'000;
    ScanResult scan;
    scan.servers = {vite};
    scan.ports = {portRow(vite.listener, "python3", "/usr/bin/python3", "python3 -m http.server", true),
                  portRow({77, 9229, ListenAddress::loopback, IPFamily::ipv4}, "node", "/usr/bin/node",
                          "node --inspect app.js", false)};
    scan.loads = {{4242, {.cpu = 3, .memory = 212ull << 20}}};
    harness.module.apply(scan, true);

    RuntimeSection section(harness.module);
    QStringList texts;
    for (const QLabel* label : section.findChildren<QLabel*>())
        texts.push_back(label->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Vite \u00B7 shop"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral(":5173 \u00B7 up 12 min \u00B7 3% CPU \u00B7 212 MB")))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Debugger")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Dev server")));

    EXPECT_EQ(RuntimeSection::uptimeText(59), "up 59 s");
    EXPECT_EQ(RuntimeSection::uptimeText(3 * 3600 + 5 * 60), "up 3 h 5 min");
    EXPECT_EQ(RuntimeSection::uptimeText(2 * 86400 + 4 * 3600), "up 2 d 4 h");
}
