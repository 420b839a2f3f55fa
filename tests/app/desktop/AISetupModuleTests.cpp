// The setup module and its view over a real home folder: a settings file
// with a broken hook, the app's own integrations connected through the
// view's buttons, each change previewed as a diff before it is written.

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/desktop/AISetupModule.h"
#include "app/desktop/AISetupView.h"
#include "app/desktop/AppEnvironment.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AISetupModule;
using corvane::app::AISetupView;
using corvane::app::AppEnvironment;
using corvane::app::PendingChange;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

const std::string settingsText = R"({
  "hooks": {
    "Stop": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/opt/gone/ding.sh"
          }
        ]
      }
    ]
  }
}
)";

struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    fs::path home = folder / "home";
    std::unique_ptr<AISetupModule> module;

    Harness()
    {
        fs::create_directories(home / ".claude");
        std::ofstream(home / ".claude/settings.json") << settingsText;
        IntegrationEnv env{home, {{"PATH", "/usr/bin:/bin"}, {"SHELL", "/bin/bash"}}, "/bin/true"};
        module = std::make_unique<AISetupModule>(AISetupModule::Sources{
            environment.settings(), environment.pipeline(), scheduler, clock, Calendar::utc(), env,
            folder / "data", false});
    }

    // Runs what the module's queue hands back until `done` holds.
    template <typename Done>
    bool waitFor(Done done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            scheduler.runPending();
        }
        return done();
    }

    int alertsOf(std::string_view kind)
    {
        int count = 0;
        for (const AlertRecord& record : environment.alerts().history().records)
            count += record.kind == kind;
        return count;
    }
};

template <typename T = QPushButton>
T* child(QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

TEST(AISetupModule, a_broken_hook_is_announced_once_and_fixed_through_the_view_after_its_diff_was_shown)
{
    Harness harness;
    AISetupView view(*harness.module);
    harness.module->start();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->state().scanned; }));
    EXPECT_EQ(harness.alertsOf("ai.setupIssue"), 1);

    auto* fix = child(view, "fix");
    ASSERT_NE(fix, nullptr);
    fix->click();
    ASSERT_TRUE(harness.module->pending());
    auto* diff = child<QLabel>(view, "diff");
    ASSERT_NE(diff, nullptr);
    EXPECT_TRUE(diff->text().contains(QStringLiteral("-            \"command\": \"/opt/gone/ding.sh\"")));
    EXPECT_EQ(readAll(harness.home / ".claude/settings.json"), settingsText) << "nothing is written before Apply";

    child(view, "apply")->click();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->state().undo.has_value(); }));
    EXPECT_EQ(readAll(harness.home / ".claude/settings.json").find("ding.sh"), std::string::npos);
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->state().report.issues.empty(); }));

    child(view, "undoFix")->click();
    ASSERT_TRUE(harness.waitFor([&] { return !harness.module->state().report.issues.empty(); }));
    EXPECT_EQ(readAll(harness.home / ".claude/settings.json"), settingsText);
    EXPECT_EQ(harness.alertsOf("ai.setupIssue"), 2) << "an issue that went and came back is news again";

    // Known issues are not announced again, not even by a new module.
    harness.module = std::make_unique<AISetupModule>(AISetupModule::Sources{
        harness.environment.settings(), harness.environment.pipeline(), harness.scheduler, harness.clock,
        Calendar::utc(), IntegrationEnv{harness.home, {{"PATH", "/usr/bin:/bin"}}, "/bin/true"},
        harness.folder / "data", false});
    harness.module->start();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->state().scanned; }));
    EXPECT_EQ(harness.alertsOf("ai.setupIssue"), 2);
}

TEST(AISetupModule, connecting_the_claude_hooks_from_the_view_writes_them_and_disconnecting_restores_the_file)
{
    Harness harness;
    AISetupView view(*harness.module);
    harness.module->start();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->state().scanned; }));

    auto* row = child<QWidget>(view, "claude.hooks");
    ASSERT_NE(row, nullptr);
    child(*row, "connect")->click();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->pending().has_value(); }));
    EXPECT_EQ(harness.module->pending()->kind, PendingChange::Kind::connect);
    EXPECT_TRUE(child<QLabel>(view, "diff")->text().contains(QStringLiteral("# corvane-hook")));
    child(view, "apply")->click();
    ASSERT_TRUE(harness.waitFor([&] {
        const auto& rows = harness.module->state().integrations;
        return !rows.empty() && rows[0].id == "claude.hooks" && rows[0].installed && rows[0].status.connected();
    }));
    EXPECT_NE(readAll(harness.home / ".claude/settings.json").find("corvane-hook"), std::string::npos);
    EXPECT_EQ(harness.module->status(), "Connected Claude Code hooks");

    row = child<QWidget>(view, "claude.hooks");
    child(*row, "disconnect")->click();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->pending().has_value(); }));
    child(view, "apply")->click();
    ASSERT_TRUE(harness.waitFor([&] { return harness.module->status() == "Disconnected Claude Code hooks"; }));
    EXPECT_EQ(readAll(harness.home / ".claude/settings.json"), settingsText);
}

}  // namespace
