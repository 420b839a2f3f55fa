#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/keepawake/KeepAwakeLog.h"
#include "core/notch/KnownPaths.h"
#include "core/runtime/AgentSkillFile.h"
#include "core/runtime/StatusCommand.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

DevServer server(std::int32_t pid, int port, Framework framework, std::optional<std::string> project)
{
    DevServer out;
    out.listener = {pid, port, ListenAddress::loopback, IPFamily::ipv4};
    out.name = "node";
    out.framework = framework;
    out.project = std::move(project);
    return out;
}

std::string logWith(const std::vector<KeepAwakeLogEntry>& entries)
{
    KeepAwakeLog log;
    log.entries = entries;
    return log.encode();
}

const WallTime nineFifteen = WallTime::fromUnixSeconds(1772356500.75);  // 2026-03-01 09:15:00.75 UTC

}  // namespace

TEST(StatusCommand, prints_servers_in_scan_order_and_the_last_keep_awake_event_with_sorted_keys)
{
    auto log = logWith({{nineFifteen.plusSeconds(-600), KeepAwakeLogEntry::Event::started, "dev", 91},
                        {nineFifteen, KeepAwakeLogEntry::Event::stopped, "manual", 88}});
    std::string expected = R"({
  "app": "Lunebox",
  "devServers": [
    {
      "framework": "Vite",
      "pid": 4242,
      "port": 5173,
      "project": "shop"
    },
    {
      "framework": "Server",
      "pid": 4343,
      "port": 8080,
      "project": null
    }
  ],
  "keepAwake": {
    "at": "2026-03-01T09:15:00Z",
    "lastEvent": "stopped",
    "reason": "manual"
  },
  "version": ")" + std::string(StatusCommand::version) + R"("
})";
    std::vector<DevServer> servers{server(4242, 5173, Framework::vite, "shop"),
                                   server(4343, 8080, Framework::other, std::nullopt)};
    EXPECT_EQ(StatusCommand::document(servers, log), expected);
    EXPECT_EQ(StatusCommand::document(servers, log), expected) << "the same twice";
}

TEST(StatusCommand, no_entries_or_no_readable_log_give_a_null_last_event)
{
    const std::string none = "\"keepAwake\": {\n    \"lastEvent\": null\n  }";
    for (const std::optional<std::string>& log : std::vector<std::optional<std::string>>{
             std::nullopt, std::string(""), std::string("{\"entries\": []}"), std::string("{\"entries\": 3}"),
             std::string("\xff\xfe garbage"), std::string(R"({"entries": [{"event": "started"}]})")}) {
        std::string document = StatusCommand::document({}, log);
        EXPECT_NE(document.find(none), std::string::npos) << document;
        EXPECT_NE(document.find("\"devServers\": []"), std::string::npos) << document;
    }
}

TEST(StatusCommand, reads_the_main_products_log_whatever_the_run)
{
    EXPECT_EQ(StatusCommand::keepAwakeLogPath(std::nullopt, "/home/dev"),
              "/home/dev/.local/share/Lunebox/keepawake-log.json");
    EXPECT_EQ(StatusCommand::keepAwakeLogPath("/data", "/home/dev"), "/data/Lunebox/keepawake-log.json");
    EXPECT_EQ(StatusCommand::keepAwakeLogPath("relative", "/home/dev"),
              "/home/dev/.local/share/Lunebox/keepawake-log.json");
}

TEST(AgentSkillFile, names_the_executable_and_is_written_whole_then_removed)
{
    std::string text = AgentSkillFile::text("/usr/bin/lunebox");
    EXPECT_EQ(text,
              "---\nname: lunebox\ndescription: Read the local Lunebox status (running dev servers and keep-awake "
              "state) on this computer.\n---\nRun `\"/usr/bin/lunebox\" --status --json` to get JSON with `devServers` "
              "(port, framework, project, pid) and\n`keepAwake.lastEvent`. It is read-only. To keep the computer awake for "
              "a long task, ask the user to turn\non Auto Mode in Lunebox (\xE2\x8C\xA5\xE2\x8C\x98"
              "A); do not change power settings yourself.");
    EXPECT_TRUE(KnownPaths::runningExecutable().is_absolute());

    TemporaryFolder home;
    fs::path file = home / ".agents/skills/lunebox/SKILL.md";
    ASSERT_TRUE(AgentSkillFile::write(file, "/opt/Lune Box/lunebox"));
    std::stringstream written;
    written << std::ifstream(file).rdbuf();
    EXPECT_EQ(written.str(), AgentSkillFile::text("/opt/Lune Box/lunebox"));

    AgentSkillFile::remove(file);
    AgentSkillFile::remove(file);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::is_directory(file.parent_path()));
}
