// `lunebox --status` as a script runs it: the built executable, a real
// development server started by the test, and a keep-awake log written where
// the app keeps it.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "core/base/ProcessRunner.h"
#include "core/keepawake/KeepAwakeLog.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using corvane::testing::ChildProcess;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

corvane::Result<corvane::ProcessOutput> runStatus(const TemporaryFolder& session, std::vector<std::string> arguments)
{
    static corvane::ChildRegistry registry;
    corvane::ProcessRequest request;
    request.program = LUNEBOX_BIN_DIR "/lunebox";
    request.arguments = std::move(arguments);
    request.environment.set = {{"HOME", (session / "home").string()}, {"XDG_DATA_HOME", (session / "data").string()},
                               {"LUNEBOX_HARNESS", "1"}};
    request.environment.remove = {"DISPLAY", "WAYLAND_DISPLAY"};
    request.timeoutSeconds = 30;
    return corvane::ProcessRunner(registry).run(request);
}

}  // namespace

TEST(StatusCommandMain, prints_the_running_server_and_the_last_keep_awake_event_from_the_main_data_folder)
{
    if (::access("/usr/bin/python3", X_OK) != 0)
        GTEST_SKIP() << "no /usr/bin/python3";
    TemporaryFolder session;
    fs::create_directories(session / "home");
    fs::create_directories(session / "api");
    std::ofstream(session / "api" / "manage.py") << "";
    ChildProcess server({"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, {},
                        session / "api");
    auto line = server.lineContaining("port ");
    ASSERT_TRUE(line);
    int port = corvane::testing::portIn(*line);

    corvane::KeepAwakeLog log;
    log.entries = {{corvane::WallTime::fromUnixSeconds(1772356500), corvane::KeepAwakeLogEntry::Event::workDone,
                    "claude", 40}};
    ASSERT_TRUE(log.save(session / "data" / "Lunebox" / std::string(corvane::KeepAwakeLog::fileName)));

    auto output = runStatus(session, {"--json", "--status"});
    ASSERT_TRUE(output);
    ASSERT_TRUE(output->succeeded()) << output->standardError;
    ASSERT_TRUE(output->standardOutput.ends_with("}\n"));
    auto document = nlohmann::json::parse(output->standardOutput);
    EXPECT_EQ(document["app"], "Lunebox");
    EXPECT_EQ(document["keepAwake"],
              (nlohmann::json{{"lastEvent", "workDone"}, {"reason", "claude"}, {"at", "2026-03-01T09:15:00Z"}}));
    nlohmann::json expected{{"framework", "Django"}, {"pid", server.pid()}, {"port", port}, {"project", "api"}};
    auto servers = document["devServers"];
    EXPECT_NE(std::find(servers.begin(), servers.end(), expected), servers.end()) << servers.dump();

    // Another test may open or close a port in between: allow one more try.
    auto again = runStatus(session, {"--status", "--json"});
    ASSERT_TRUE(again);
    if (again->standardOutput != output->standardOutput) {
        output = again;
        again = runStatus(session, {"--status"});
        ASSERT_TRUE(again);
    }
    EXPECT_EQ(again->standardOutput, output->standardOutput);
    EXPECT_FALSE(fs::exists(session / "home" / ".local"));
}
