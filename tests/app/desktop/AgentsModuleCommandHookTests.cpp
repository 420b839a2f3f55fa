// The shell command hook's reports through the agents module: report
// files dropped into a real inbox the way the shells drop them, picked up
// by the module's real watcher and queue, and raised as
// "projects.commandFinished" under the "commandHook.*" settings.

#include <ctime>
#include <fstream>
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

AgentsModule::Timing quickTiming()
{
    AgentsModule::Timing timing;
    timing.tick = 0.2;
    timing.inboxLatency = 0.1;
    return timing;
}

struct CommandHarness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    AgentsModule module{AgentsModule::Sources{
        environment.settings(), environment.pipeline(), environment.ears(), environment.scheduler(),
        environment.clock(), Calendar::utc(), paths.appSupport(), paths.inbox(),
        TranscriptRoots{folder / "claude/projects", folder / "codex/sessions"},
        quickTiming(), [] { return LiveAgents{}; },
        [] { return std::optional<std::string>("org.gnome.Terminal"); }}};

    std::vector<AlertRecord> commandAlerts()
    {
        std::vector<AlertRecord> found;
        for (const AlertRecord& record : environment.alerts().history().records)
            if (record.kind == "projects.commandFinished")
                found.push_back(record);
        return found;
    }

    void drop(int pid, const std::string& json)
    {
        std::string name = fmt::format("cmd-{}-{}.json", pid, static_cast<long long>(std::time(nullptr)));
        fs::path hidden = paths.inbox() / ("." + name + ".tmp");
        std::ofstream(hidden) << json;
        fs::rename(hidden, paths.inbox() / name);
    }

    bool inboxEmpty() const { return fs::is_empty(paths.inbox()); }
};

std::string report(std::string_view name, int seconds, int exit, std::string_view app)
{
    return fmt::format(R"({{"kind":"command","name":"{}","s":{},"exit":{},"term":"","app":"{}"}})", name, seconds, exit,
                       app);
}

}  // namespace

TEST(AgentsModuleCommandHook, long_commands_are_announced_unless_short_in_front_or_switched_off)
{
    CommandHarness harness;
    SettingsStore& settings = harness.environment.settings();
    settings.set(Keys::commandHookEnabled, true);
    harness.module.start();

    harness.drop(11, report("make", 48, 2, "firefox"));
    // Too short for the threshold, and one whose terminal is in front.
    harness.drop(12, report("ls", 10, 0, "firefox"));
    harness.drop(13, report("cargo", 90, 0, "org.gnome.Terminal"));
    ASSERT_TRUE(runEventsUntil([&] { return harness.commandAlerts().size() == 1 && harness.inboxEmpty(); }));
    AlertRecord alert = harness.commandAlerts().front();
    EXPECT_EQ(alert.title, "make failed");
    EXPECT_EQ(alert.moduleID, "projects");
    ASSERT_TRUE(settings.get(Keys::commandHookLastEvent));
    EXPECT_NEAR(*settings.get(Keys::commandHookLastEvent), static_cast<double>(std::time(nullptr)), 5);

    // In the background only when asked; off means read and dropped.
    settings.set(Keys::commandHookOnlyWhenBackground, false);
    harness.drop(14, report("cargo", 90, 0, "org.gnome.Terminal"));
    ASSERT_TRUE(runEventsUntil([&] { return harness.commandAlerts().size() == 2; }));
    settings.set(Keys::commandHookEnabled, false);
    harness.drop(15, report("npm", 90, 0, "firefox"));
    ASSERT_TRUE(runEventsUntil([&] { return harness.inboxEmpty(); }));
    runEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(harness.commandAlerts().size(), 2u);
}
