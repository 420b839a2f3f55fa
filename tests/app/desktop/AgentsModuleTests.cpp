// The agents module against real files and processes: a shell script
// appends transcript lines the way an agent does, hook files are dropped
// into a real inbox folder the way the hooks drop them, and the module's
// real watchers, queues and Qt timers pick them up. The activity windows
// are cut to seconds so a whole working run fits into a test.

#include <ctime>
#include <fstream>
#include <future>
#include <string>

#include <fmt/format.h>

#include <gtest/gtest.h>

#include "app/desktop/AgentsModule.h"
#include "app/desktop/AppEnvironment.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AgentsModule;
using corvane::app::AppEnvironment;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    fs::path claudeRoot = folder / "claude/projects";
    AgentsModule module{AgentsModule::Sources{
        environment.settings(), environment.pipeline(), environment.ears(), environment.scheduler(),
        environment.clock(), Calendar::utc(), paths.appSupport(), paths.inbox(),
        TranscriptRoots{claudeRoot, folder / "codex/sessions"},
        AgentsModule::Timing{.tick = 0.2,
                             .transcriptLatency = 0.2,
                             .inboxLatency = 0.1,
                             .workingWindow = 1.6,
                             .finishAfter = 2.5,
                             .stuckAfter = 600},
        // The script that writes is no agent process; nothing else is either.
        [] { return LiveAgents{}; }}};

    bool earUp() { return environment.ears().arbiter().activities().contains("ai.working"); }

    std::size_t alerts(std::string_view kind)
    {
        std::size_t count = 0;
        for (const AlertRecord& record : environment.alerts().history().records)
            count += record.kind == kind;
        return count;
    }

    const AgentTimeline::Session* session(const std::string& id) const { return module.timeline().find(id); }
};

// As the hooks write: under a dot-name first, then renamed into place.
void dropHook(const fs::path& inbox, const std::string& name, const std::string& content)
{
    fs::path hidden = inbox / ("." + name + ".tmp");
    std::ofstream(hidden) << content;
    fs::rename(hidden, inbox / name);
}

std::string hook(std::string_view event, std::string_view session, std::string_view project)
{
    return fmt::format(R"({{"event":"{}","session":"{}","project":"{}","agent":"claude","tty":"pts/4","app":"","term":"xterm"}})",
                       event, session, project);
}

long long unixNow() { return static_cast<long long>(std::time(nullptr)); }

}  // namespace

TEST(AgentsModule, a_transcript_written_every_second_works_then_finishes_with_the_ear_and_the_alert)
{
    Harness harness;
    fs::path project = harness.claudeRoot / "-work-my-app";
    fs::create_directories(project);
    harness.module.start();
    ASSERT_TRUE(runEventsUntil([&] { return !harness.module.state().indexing; }));

    // Four assistant lines, one a second, as an agent appends them; then silence.
    fs::path transcript = project / "0d5e7c1a-2b3c-4d5e-8f90-a1b2c3d4e5f6.jsonl";
    std::string script = R"sh(for n in 1 2 3 4; do
  printf '{"type":"assistant","sessionId":"0d5e7c1a-2b3c-4d5e-8f90-a1b2c3d4e5f6","cwd":"/work/my-app","timestamp":"%s","message":{"id":"msg_%s","model":"claude-sonnet-4-6","usage":{"input_tokens":100,"output_tokens":20}}}\n' "$(date -u +%Y-%m-%dT%H:%M:%S.000Z)" "$n" >> "$1"
  sleep 1
done)sh";
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", script, "sh", transcript.string()};
    request.timeoutSeconds = 30;
    auto writer = std::async(std::launch::async, [&] { return harness.environment.processes().run(request); });

    const std::string id = "0d5e7c1a-2b3c-4d5e-8f90-a1b2c3d4e5f6";
    ASSERT_TRUE(runEventsUntil([&] { return harness.earUp(); }));
    ASSERT_NE(harness.session(id), nullptr);
    EXPECT_EQ(harness.session(id)->state(), AgentTimeline::State::working);
    EXPECT_EQ(harness.session(id)->agent, "Claude Code");
    EXPECT_EQ(harness.alerts("ai.finished"), 0u);
    WallTime started = harness.session(id)->started();

    // The run stays one run while the lines keep coming.
    ASSERT_TRUE(runEventsUntil([&] { return writer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                               std::chrono::seconds(20)));
    ASSERT_TRUE(writer.get());
    EXPECT_EQ(harness.session(id)->state(), AgentTimeline::State::working);
    EXPECT_EQ(harness.session(id)->started(), started);

    ASSERT_TRUE(runEventsUntil([&] { return !harness.earUp(); }));
    EXPECT_EQ(harness.session(id)->state(), AgentTimeline::State::finished);
    EXPECT_EQ(harness.alerts("ai.finished"), 1u);
    EXPECT_GE(harness.session(id)->lastTurn().value_or(0), 2.0);

    // The lines went through the usage index into the published figures.
    ASSERT_TRUE(runEventsUntil([&] {
        const auto& usage = harness.module.state().usage;
        return usage && usage->today.total.tokens.total() == 480;
    }));
    EXPECT_EQ(harness.module.state().groups.finishedToday.size(), 1u);

    // The timeline is saved shortly after its changes.
    harness.module.stop();
    EXPECT_TRUE(fs::exists(harness.paths.appSupport() / "agent-sessions.json"));
}

TEST(AgentsModule, hook_files_drive_the_timeline_and_bad_files_are_dropped_without_harm)
{
    Harness harness;
    fs::path inbox = harness.paths.inbox();
    harness.module.start();
    ASSERT_TRUE(fs::is_directory(inbox));
    EXPECT_EQ(fs::status(inbox).permissions() & fs::perms::all, fs::perms::owner_all);

    long long now = unixNow();
    long long minuteAgo = now - 60;
    // Still being written: never matched, never opened, never removed.
    std::ofstream(inbox / ".claude-90-1.json") << R"({"event":"start","sess)";
    dropHook(inbox, fmt::format("claude-100-{}.json", minuteAgo), hook("start", "4f1c2a9e-api", "api"));
    dropHook(inbox, fmt::format("claude-101-{}.json", minuteAgo), std::string(2048, ' ') + hook("stop", "big", "api"));
    dropHook(inbox, fmt::format("claude-102-{}.json", minuteAgo), "event=stop");
    dropHook(inbox, fmt::format("claude-103-{}.json", minuteAgo), hook("compact", "4f1c2a9e-api", "api"));
    // A session id that cannot be one: the session is known by agent and project instead.
    dropHook(inbox, fmt::format("claude-104-{}.json", minuteAgo), hook("start", "../../etc/passwd", "web"));

    ASSERT_TRUE(runEventsUntil([&] { return harness.session("4f1c2a9e-api") && harness.session("Claude Code|web"); }));
    EXPECT_TRUE(runEventsUntil([&] { return harness.earUp(); }));
    EXPECT_EQ(harness.session("4f1c2a9e-api")->state(), AgentTimeline::State::working);
    EXPECT_EQ(harness.session("4f1c2a9e-api")->tty, "/dev/pts/4");
    EXPECT_EQ(harness.module.timeline().sessions().size(), 2u);
    ASSERT_TRUE(runEventsUntil([&] {
        std::size_t left = 0;
        for (const auto& entry : fs::directory_iterator(inbox))
            left += entry.path().filename() != ".claude-90-1.json";
        return left == 0;
    }));
    EXPECT_TRUE(fs::exists(inbox / ".claude-90-1.json"));

    // A minute of work, then both stop: the first stop is announced.
    dropHook(inbox, fmt::format("claude-105-{}.json", now), hook("stop", "4f1c2a9e-api", "api"));
    dropHook(inbox, fmt::format("claude-106-{}.json", now), hook("stop", "", "web"));
    ASSERT_TRUE(runEventsUntil([&] { return !harness.earUp(); }));
    EXPECT_EQ(harness.session("4f1c2a9e-api")->state(), AgentTimeline::State::finished);
    EXPECT_EQ(harness.session("Claude Code|web")->state(), AgentTimeline::State::finished);
    EXPECT_GE(harness.alerts("ai.finished"), 1u);

    // Reading switched off: files wait in the inbox.
    harness.environment.settings().set(Keys::claudeHookInbox, false);
    dropHook(inbox, fmt::format("claude-107-{}.json", now), hook("start", "4f1c2a9e-api", "api"));
    runEventsUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_TRUE(fs::exists(inbox / fmt::format("claude-107-{}.json", now)));
    EXPECT_EQ(harness.session("4f1c2a9e-api")->state(), AgentTimeline::State::finished);
}
