#include <gtest/gtest.h>

#include "app/desktop/AppEnvironment.h"
#include "core/notch/AlertPost.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::FileDefaultsDomain;
using corvane::SettingsStore;
using corvane::app::AppEnvironment;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

TEST(AppEnvironment, a_setting_written_by_another_process_reaches_the_store_and_its_subscribers)
{
    TemporaryFolder folder;
    auto paths = harnessPaths(folder.path());
    AppEnvironment environment(paths);
    int notified = 0;
    environment.settings().subscribe([&](int) { ++notified; });

    // Another process replaces the file, as every writer does, by renaming a new one over it.
    for (bool on : {true, false}) {
        FileDefaultsDomain elsewhere(paths.settingsFile());
        SettingsStore other(elsewhere);
        other.set(Keys::quietMode, on);
        ASSERT_TRUE(runEventsUntil([&] { return environment.settings().get(Keys::quietMode) == on && notified > 0; }))
            << "quiet mode " << on;
        notified = 0;
    }
}

TEST(AppEnvironment, retired_settings_go_at_launch_and_alerts_are_saved_at_shutdown)
{
    TemporaryFolder folder;
    auto paths = harnessPaths(folder.path());
    {
        FileDefaultsDomain before(paths.settingsFile());
        ASSERT_TRUE(before.setData("corvane.notch.sizePreset", "\"large\""));
        ASSERT_TRUE(before.setData("corvane.menuBar.anything", "true"));
    }

    AppEnvironment environment(paths);
    EXPECT_FALSE(environment.settings().defaults().data("corvane.notch.sizePreset"));
    EXPECT_FALSE(environment.settings().defaults().data("corvane.menuBar.anything"));

    corvane::AlertPost finished;
    finished.kind = "ai.finished";
    finished.title = "Claude finished";
    environment.pipeline().post("agents", finished);
    ASSERT_EQ(environment.alerts().history().records.size(), 1u);
    environment.shutdown();
    EXPECT_TRUE(std::filesystem::exists(paths.appSupport() / "alerts.json"));
}
