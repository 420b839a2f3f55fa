// The history the agents module builds for the AI section: from a real
// transcript through the usage index, with its title and its project
// folder, rebuilt when asked.

#include <fstream>

#include <gtest/gtest.h>

#include "app/desktop/AgentsModule.h"
#include "app/desktop/AppEnvironment.h"
#include "core/agents/TranscriptProjectResolver.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AgentsModule;
using corvane::app::AppEnvironment;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

TEST(AgentsModule, the_history_names_each_past_session_by_its_title_and_knows_its_folder)
{
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment(paths);
    fs::path claudeRoot = folder / "claude/projects";
    fs::path project = folder / "shop";
    fs::create_directories(project);
    fs::path transcripts = claudeRoot / TranscriptProjectResolver::encoded(project.string());
    fs::create_directories(transcripts);
    const std::string id = "5a6b7c8d-1e2f-4a3b-8c4d-5e6f7a8b9c0d";
    std::ofstream(transcripts / (id + ".jsonl"))
        << R"({"type":"user","sessionId":")" << id << R"(","timestamp":"2026-06-01T10:00:00.000Z","message":{"role":"user","content":"Fix the cart total rounding"}})"
        << "\n"
        << R"({"type":"assistant","sessionId":")" << id << R"(","timestamp":"2026-06-01T10:00:05.000Z","message":{"id":"msg_1","model":"claude-sonnet-4-6","usage":{"input_tokens":100,"output_tokens":20}}})"
        << "\n";

    AgentsModule module{AgentsModule::Sources{environment.settings(), environment.pipeline(), environment.ears(),
                                              environment.scheduler(), environment.clock(), Calendar::utc(),
                                              paths.appSupport(), paths.inbox(),
                                              TranscriptRoots{claudeRoot, folder / "codex/sessions"},
                                              AgentsModule::Timing{}, [] { return LiveAgents{}; }}};
    module.start();
    ASSERT_TRUE(runEventsUntil([&] { return !module.state().indexing; }));
    EXPECT_TRUE(module.state().history.empty());  // built only when asked

    module.refreshHistory();
    module.refreshHistory();  // a second ask while the first runs is folded into one more build
    ASSERT_TRUE(runEventsUntil([&] { return !module.state().history.empty(); }));
    const AgentHistoryEntry& entry = module.state().history.front();
    EXPECT_EQ(entry.id, id);
    EXPECT_EQ(entry.agent, "Claude Code");
    EXPECT_EQ(entry.title, "Fix the cart total rounding");
    EXPECT_EQ(module.state().folders.at(id), project);
    module.stop();
}
