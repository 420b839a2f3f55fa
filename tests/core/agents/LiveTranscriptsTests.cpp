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

// A live agent process in the project, so a finished session can turn stuck.
LiveAgents agentAlive()
{
    LiveAgents agents;
    agents.folders[AgentKind::claudeCode] = {"/home/me/app"};
    return agents;
}

std::string claudeCall(const std::string& model, long long input, long long cacheRead)
{
    return R"({"type":"assistant","timestamp":"2026-06-01T10:00:00.000Z","message":{"model":")" + model
         + R"(","content":[{"type":"tool_use","id":"t1","name":"Read","input":{"file_path":"/src/a.cpp"}}],)"
         + R"("usage":{"input_tokens":)" + std::to_string(input) + R"(,"cache_read_input_tokens":)"
         + std::to_string(cacheRead) + R"(,"output_tokens":10}}})" + "\n";
}

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

TEST(LiveTranscripts, a_shorter_stuck_window_reaches_a_transcript_already_finished)
{
    TemporaryFolder folder;
    fs::path path = folder / "s1.jsonl";
    LiveTranscripts live({20, 30, 1200}, agentAlive);
    writeAt(path, "{}\n", start);
    live.note(claudeFile(path, "app"));
    live.tick(start.plusSeconds(1));
    ASSERT_EQ(live.tick(start.plusSeconds(31)).changes.at(0).phase.state, AgentPhase::Case::finished);
    EXPECT_TRUE(live.tick(start.plusSeconds(301)).changes.empty());

    // "ai.stuckMinutes" went from 20 to 5 while the session sat finished.
    live.setStuckAfter(300);
    auto stuck = live.tick(start.plusSeconds(306));
    ASSERT_EQ(stuck.changes.size(), 1u);
    EXPECT_EQ(stuck.changes[0].phase, AgentPhase::stuck(start));
}

TEST(LiveTranscripts, claude_context_is_measured_against_its_model_window)
{
    TemporaryFolder folder;
    fs::path standard = folder / "standard.jsonl";
    fs::path large = folder / "large.jsonl";
    fs::path tagged = folder / "tagged.jsonl";
    LiveTranscripts live({20, 30, 300}, [] { return LiveAgents{}; });
    writeAt(standard, claudeCall("claude-opus-4-7", 1000, 49'000), start);
    writeAt(large, claudeCall("claude-opus-4-7", 10'000, 290'000), start);
    writeAt(tagged, claudeCall("claude-sonnet-4-6[1m]", 50'000, 200'000), start);
    for (const fs::path& path : {standard, large, tagged})
        live.note(claudeFile(path, "app"));

    std::map<std::string, std::optional<double>> percent;
    for (const auto& session : live.tick(start.plusSeconds(1)).sessions)
        percent[session.session] = session.contextPercent;
    EXPECT_EQ(percent["standard"], 25.0);
    EXPECT_EQ(percent["large"], 30.0);   // past 200k: the 1M window
    EXPECT_EQ(percent["tagged"], 25.0);  // 250k of 1M
}
