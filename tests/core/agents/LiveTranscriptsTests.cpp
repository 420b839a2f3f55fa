#include <fstream>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/agents/LiveTranscripts.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::AgentKind;
using corvane::AgentPhase;
using corvane::LiveAgents;
using corvane::LiveTranscripts;
using corvane::SessionFile;
using corvane::WallTime;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

const WallTime start = WallTime::fromUnixSeconds(1'780'000'000);

void writeAt(const fs::path& file, const std::string& lines, WallTime at)
{
    std::ofstream(file, std::ios::app) << lines;
    double whole = static_cast<double>(static_cast<long long>(at.unixSeconds()));
    timespec times[2] = {{static_cast<time_t>(whole), 0}, {static_cast<time_t>(whole), 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

std::map<fs::path, SessionFile> claudeFile(const fs::path& path, const std::string& project)
{
    SessionFile file;
    file.project = project;
    return {{path, file}};
}

const std::string toolUse =
    R"({"type":"assistant","timestamp":"2026-06-01T10:00:00.000Z","message":{"model":"claude-opus-4-7","content":)"
    R"([{"type":"tool_use","id":"t1","name":"Edit","input":{"file_path":"/src/main.cpp"}}],)"
    R"("usage":{"input_tokens":1000,"cache_read_input_tokens":49000,"output_tokens":10}}})"
    "\n";

}  // namespace

TEST(LiveTranscripts, a_transcript_works_while_written_and_finishes_with_the_run_as_duration)
{
    TemporaryFolder folder;
    fs::path path = folder / "s1.jsonl";
    int scans = 0;
    LiveTranscripts live({20, 30, 300}, [&] {
        ++scans;
        return LiveAgents{};
    });

    writeAt(path, "{}\n", start);
    live.note(claudeFile(path, "app"));
    auto first = live.tick(start.plusSeconds(1));
    ASSERT_EQ(first.changes.size(), 1u);
    EXPECT_EQ(first.changes[0].sessionID, "s1");
    EXPECT_EQ(first.changes[0].phase, AgentPhase::working(start));

    // Written again ten seconds later: still the same run.
    writeAt(path, "{}\n", start.plusSeconds(10));
    EXPECT_TRUE(live.tick(start.plusSeconds(12)).changes.empty());
    EXPECT_TRUE(live.tick(start.plusSeconds(35)).changes.empty());  // quiet 25 s: not yet finished

    auto finished = live.tick(start.plusSeconds(41));
    ASSERT_EQ(finished.changes.size(), 1u);
    EXPECT_EQ(finished.changes[0].phase, AgentPhase::finished(start.plusSeconds(10), 10));
    // No agent process: the next look lets it go.
    EXPECT_EQ(live.tick(start.plusSeconds(46)).changes[0].phase, AgentPhase::idle());
    EXPECT_EQ(live.count(), 0u);
    // Processes were asked only while the transcript was quiet and not idle.
    EXPECT_EQ(scans, 2);
}

TEST(LiveTranscripts, a_finished_session_whose_process_lives_becomes_stuck_and_processes_are_scanned_sparingly)
{
    TemporaryFolder folder;
    fs::path path = folder / "s2.jsonl";
    int scans = 0;
    LiveAgents agents;
    agents.folders[AgentKind::claudeCode] = {"/home/me/app"};
    LiveTranscripts live({20, 30, 300}, [&] {
        ++scans;
        return agents;
    });

    writeAt(path, toolUse, start);
    live.note(claudeFile(path, "app"));
    auto working = live.tick(start.plusSeconds(1));
    ASSERT_EQ(working.sessions.size(), 1u);
    EXPECT_EQ(working.sessions[0].step, "Editing main.cpp");

    ASSERT_EQ(live.tick(start.plusSeconds(30)).changes.at(0).phase.state, AgentPhase::Case::finished);
    for (double at = 35; at < 300; at += 5)
        EXPECT_TRUE(live.tick(start.plusSeconds(at)).changes.empty()) << at;
    auto stuck = live.tick(start.plusSeconds(300));
    ASSERT_EQ(stuck.changes.size(), 1u);
    EXPECT_EQ(stuck.changes[0].phase, AgentPhase::stuck(start));
    EXPECT_EQ(stuck.sessions[0].step, "Approve file edit");
    // One scan per ten seconds of quiet, not one per tick.
    EXPECT_LE(scans, 28);
}
