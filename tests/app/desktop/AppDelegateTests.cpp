#include <functional>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/desktop/AppDelegate.h"
#include "app/desktop/IslandWindow.h"
#include "app/desktop/SettingsWindow.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::FileDefaultsDomain;
using corvane::KnownPaths;
using corvane::SettingsStore;
using corvane::app::AppDelegate;
using corvane::app::IslandWindow;
using corvane::app::SettingsWindow;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

namespace {

class Launched {
public:
    // `beforeLaunch` edits the settings file as an earlier run left it.
    explicit Launched(const std::function<void(FileDefaultsDomain&)>& beforeLaunch = {})
        : paths_(harnessPaths(folder_.path()))
    {
        if (beforeLaunch) {
            FileDefaultsDomain earlier(paths_.settingsFile());
            beforeLaunch(earlier);
        }
        delegate_.launch({});
    }

    AppDelegate& delegate() { return delegate_; }
    const KnownPaths& paths() const { return paths_; }

    // The tray menu's item with this text (or the pause item, whose text changes).
    QAction* trayAction(const QString& text) const
    {
        for (QWidget* widget : QApplication::allWidgets()) {
            if (auto* menu = qobject_cast<QMenu*>(widget)) {
                for (QAction* action : menu->actions()) {
                    if (action->text() == text)
                        return action;
                }
            }
        }
        return nullptr;
    }

    int visibleIslands() const
    {
        int count = 0;
        for (QWindow* window : QGuiApplication::topLevelWindows())
            count += qobject_cast<IslandWindow*>(window) != nullptr && window->isVisible();
        return count;
    }

    bool settingsShown() const
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<SettingsWindow*>(widget) != nullptr && widget->isVisible())
                return true;
        }
        return false;
    }

    void setElsewhere(auto key, auto value) const
    {
        FileDefaultsDomain elsewhere(paths_.settingsFile());
        SettingsStore other(elsewhere);
        other.set(key, value);
    }

private:
    TemporaryFolder folder_;
    KnownPaths paths_;
    AppDelegate delegate_{paths_};
};

}  // namespace

TEST(AppDelegate, the_tray_quiet_mode_item_follows_urls_and_other_processes)
{
    Launched app;
    QAction* quiet = app.trayAction("Quiet Mode");
    ASSERT_NE(quiet, nullptr);
    EXPECT_FALSE(quiet->isChecked());

    app.delegate().open({"lunebox://quiet?on=1", "lunebox://nowhere?on=0"});
    EXPECT_TRUE(quiet->isChecked());
    EXPECT_TRUE(app.delegate().environment().quiet().isOn());

    app.setElsewhere(Keys::quietMode, false);
    EXPECT_TRUE(runEventsUntil([&] { return !quiet->isChecked(); }));

    quiet->trigger();
    EXPECT_TRUE(app.delegate().environment().settings().get(Keys::quietMode));
}

TEST(AppDelegate, pausing_from_the_tray_flips_the_published_state_and_the_item)
{
    Launched app;
    bool published = false;
    QObject::connect(&app.delegate(), &AppDelegate::pausedChanged, [&](bool paused) { published = paused; });

    app.trayAction("Pause Lunebox")->trigger();
    EXPECT_TRUE(app.delegate().paused());
    EXPECT_TRUE(published);
    ASSERT_NE(app.trayAction("Resume Lunebox"), nullptr);

    app.trayAction("Resume Lunebox")->trigger();
    EXPECT_FALSE(app.delegate().paused());
}

TEST(AppDelegate, the_island_shows_on_the_main_screen_unless_the_display_setting_says_tray_only)
{
    Launched app;
    EXPECT_EQ(app.visibleIslands(), 1);

    app.delegate().environment().settings().set(Keys::display, corvane::DisplayChoice::menuBarOnly);
    EXPECT_EQ(app.visibleIslands(), 0);

    app.setElsewhere(Keys::display, corvane::DisplayChoice::allDisplays);
    EXPECT_TRUE(runEventsUntil([&] { return app.visibleIslands() == QGuiApplication::screens().size(); }));
}

TEST(AppDelegate, a_settings_page_left_by_the_last_run_opens_settings_once_and_a_later_launch_opens_the_default_page)
{
    const std::string marker = "corvane.internal.reopenSettings";
    Launched app([&](FileDefaultsDomain& earlier) { ASSERT_TRUE(earlier.setPlain(marker, "alerts")); });
    EXPECT_TRUE(app.settingsShown());
    EXPECT_EQ(app.delegate().settingsPage(), "alerts");
    EXPECT_EQ(FileDefaultsDomain(app.paths().settingsFile()).plain(marker), std::nullopt) << "one shot";

    // A later launch without arguments comes in as an empty hand-off.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<SettingsWindow*>(widget) != nullptr)
            widget->close();
    }
    ASSERT_TRUE(runEventsUntil([&] { return !app.settingsShown(); }));
    app.delegate().open({});
    EXPECT_TRUE(app.settingsShown());
    EXPECT_EQ(app.delegate().settingsPage(), "");
}

TEST(AppDelegate, a_reopen_marker_that_names_no_page_is_left_and_opens_nothing)
{
    const std::string marker = "corvane.internal.reopenSettings";
    for (const corvane::Json& value : {corvane::Json(""), corvane::Json(3), corvane::Json("../alerts")}) {
        Launched app([&](FileDefaultsDomain& earlier) { ASSERT_TRUE(earlier.setPlain(marker, value)); });
        EXPECT_FALSE(app.settingsShown()) << value;
        EXPECT_EQ(FileDefaultsDomain(app.paths().settingsFile()).plain(marker), value);
    }
}
