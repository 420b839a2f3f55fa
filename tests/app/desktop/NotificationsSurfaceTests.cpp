// The Notifications inbox over the app's real alert centre, whose history
// lives in a temporary data folder, on the offscreen platform.

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/NotificationsSurface.h"
#include "app/desktop/SnapshotRenderer.h"
#include "core/calendar/MeetingLink.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::NotificationsSurface;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
using Action = AlertRecord::Action;

namespace {

class RecordingHandler final : public AlertActionHandler {
public:
    void perform(InboxAction action, const AlertRecord& record) override { performed.emplace_back(action, record.id); }
    std::vector<std::pair<InboxAction, Uuid>> performed;
};

class NotificationsSurfaceTest : public ::testing::Test {
protected:
    AlertRecord add(std::string kind, std::string moduleID, std::string title, WallTime date,
                    std::optional<Action> action = std::nullopt, std::string text = "")
    {
        AlertRecord record{Uuid::random(), std::move(kind), std::move(moduleID), std::move(title), std::move(text),
                           date, std::move(action)};
        environment.alerts().add(record);
        return record;
    }

    // `seconds` ago, but never before today's midnight.
    WallTime today(double seconds) const
    {
        WallTime now = SystemClock().now();
        return std::max(now.plusSeconds(-seconds), calendar.startOfDay(now));
    }
    WallTime yesterday() const { return calendar.startOfDay(SystemClock().now()).plusSeconds(-3600); }
    WallTime lastWeek() const { return calendar.startOfDay(SystemClock().now()).plusSeconds(-5 * 86400); }

    void show(NotificationsSurface& surface)
    {
        surface.resize(380, 900);
        surface.show();
        settle();
    }
    // Lets the rebuilt rows lay themselves out.
    static void settle() { QCoreApplication::processEvents(); }

    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    Calendar calendar = Calendar::local();
};

// Section headers and rows as they stand on screen, top to bottom.
std::vector<std::string> onScreen(const NotificationsSurface& surface)
{
    std::vector<std::pair<int, std::string>> found;
    for (QWidget* widget : surface.findChildren<QWidget*>()) {
        QString name = widget->objectName();
        if (widget->isVisible() && (name.startsWith("section|") || name.startsWith("row|")))
            found.emplace_back(widget->mapTo(&surface, QPoint(0, 0)).y(), name.toStdString());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [y, name] : found)
        names.push_back(std::move(name));
    return names;
}

std::string rowOf(const AlertRecord& record) { return InboxPlan::rowID(record); }

QWidget* row(const NotificationsSurface& surface, const AlertRecord& record)
{
    return surface.findChild<QWidget*>(QString::fromStdString(rowOf(record)));
}

QString labelText(const QWidget* row, const char* role)
{
    for (QLabel* label : row->findChildren<QLabel*>()) {
        if (label->property("role").toString() == QLatin1String(role))
            return label->text();
    }
    return {};
}

QString text(const NotificationsSurface& surface, const char* name)
{
    if (auto* label = surface.findChild<QLabel*>(name))
        return label->text();
    return surface.findChild<QPushButton*>(name)->text();
}

void press(QWidget* widget, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

}  // namespace

TEST_F(NotificationsSurfaceTest, alerts_appear_under_needs_action_first_then_by_day_as_they_arrive)
{
    // As a container module would.
    environment.actions().setHandler(InboxAction::viewLogs, [](const AlertRecord&) -> Result<void> { return {}; });
    NotificationsSurface surface(environment);
    show(surface);
    EXPECT_EQ(text(surface, "caption"), "Nothing new");

    AlertRecord stuckYesterday = add("ai.stuck", "ai", "Claude Code is stuck", yesterday());
    AlertRecord old = add("docker.exit", "docker", "Container web exited", lastWeek(), Action::containerLogs("web"));
    AlertRecord build = add("projects.commandFinished", "projects", "Build finished", today(30));
    AlertRecord meeting = add("calendar.meeting", "calendar", "Design review", today(20),
                              Action::join(*MeetingLink::validate("https://zoom.us/j/123456789")));
    settle();

    EXPECT_EQ(onScreen(surface), (std::vector<std::string>{
                                     "section|needsAction", rowOf(meeting),
                                     "section|earlierToday", rowOf(build),
                                     "section|yesterday", rowOf(stuckYesterday),
                                     "section|older", rowOf(old),
                                 }));
    EXPECT_EQ(surface.findChild<QLabel*>("section|needsAction")->text(), "NEEDS ACTION");
    EXPECT_EQ(row(surface, meeting)->findChild<QPushButton*>("primary")->text(), "Join");
    EXPECT_EQ(row(surface, old)->findChild<QPushButton*>("primary")->text(), "View logs");
    EXPECT_EQ(text(surface, "caption"), "4 notifications \u00B7 1 needs action");
}

TEST_F(NotificationsSurfaceTest, a_stack_shows_its_newest_alert_until_opened_and_closes_again_from_the_keyboard)
{
    AlertRecord first = add("projects.commandFinished", "projects", "npm test finished", today(40), {}, "web");
    AlertRecord second = add("projects.commandFinished", "projects", "cargo build finished", today(30), {}, "tally");
    AlertRecord third = add("projects.commandFinished", "projects", "make finished", today(20), {}, "lunebox");
    NotificationsSurface surface(environment);
    show(surface);

    EXPECT_EQ(onScreen(surface), (std::vector<std::string>{"section|earlierToday", rowOf(third)}));
    EXPECT_EQ(labelText(row(surface, third), "body"), "lunebox \u00B7 and 2 more");

    auto* toggle = row(surface, third)->findChild<QToolButton*>();
    ASSERT_NE(toggle, nullptr);
    toggle->click();
    settle();
    EXPECT_EQ(onScreen(surface),
              (std::vector<std::string>{"section|earlierToday", rowOf(third), rowOf(second), rowOf(first)}));
    EXPECT_EQ(labelText(row(surface, third), "body"), "lunebox");
    EXPECT_EQ(environment.alerts().openStacks().size(), 1u);

    press(row(surface, third), Qt::Key_Left);
    settle();
    EXPECT_EQ(onScreen(surface), (std::vector<std::string>{"section|earlierToday", rowOf(third)}));
    EXPECT_TRUE(environment.alerts().openStacks().empty());
}

TEST_F(NotificationsSurfaceTest, rows_of_an_opened_stack_fade_in_unless_effects_are_reduced)
{
    add("ai.finished", "ai", "Codex finished", today(30));
    AlertRecord newer = add("ai.finished", "ai", "Codex finished", today(20));
    NotificationsSurface surface(environment);
    show(surface);
    auto open = [&] {
        press(row(surface, newer), Qt::Key_Right);
        std::vector<QWidget*> members;
        for (QWidget* widget : surface.findChildren<QWidget*>()) {
            if (widget->property("member").toBool())
                members.push_back(widget);
        }
        return members;
    };

    auto members = open();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_NE(members[0]->graphicsEffect(), nullptr);

    press(row(surface, newer), Qt::Key_Left);
    environment.settings().set(Keys::reduceEffects, true);
    members = open();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0]->graphicsEffect(), nullptr);
}

TEST_F(NotificationsSurfaceTest, clearing_takes_two_presses_and_a_first_press_lapses_after_the_delay)
{
    add("ai.finished", "ai", "Codex finished", today(30));
    add("vitals.cpuBusy", "vitals", "CPU busy", today(20));
    NotificationsSurface surface(environment);
    show(surface);
    auto* clear = surface.findChild<QPushButton*>("clear");
    EXPECT_EQ(clear->text(), "Clear all");

    clear->click();
    EXPECT_EQ(clear->text(), "Clear all?");
    EXPECT_EQ(environment.alerts().history().records.size(), 2u);
    clear->click();
    EXPECT_TRUE(environment.alerts().history().records.empty());
    EXPECT_EQ(text(surface, "caption"), "Nothing new");
    EXPECT_TRUE(clear->isHidden());

    add("ai.finished", "ai", "Codex finished", today(10));
    clear->click();
    ASSERT_EQ(environment.alerts().armedClear(), InboxFilter::all);
    QElapsedTimer waited;
    waited.start();
    ASSERT_TRUE(runEventsUntil([&] { return !environment.alerts().armedClear(); }));
    EXPECT_GE(waited.elapsed(), NotificationsSurface::armedSeconds * 1000 - 50);
    EXPECT_EQ(clear->text(), "Clear all");
    EXPECT_EQ(environment.alerts().history().records.size(), 1u);
}

TEST_F(NotificationsSurfaceTest, the_unread_count_follows_what_the_user_has_seen)
{
    NotificationsSurface surface(environment);
    std::vector<int> published;
    QObject::connect(&surface, &NotificationsSurface::unreadCountChanged, [&](int count) { published.push_back(count); });

    add("ai.finished", "ai", "Codex finished", today(0));
    add("ai.finished", "ai", "Claude Code finished", today(0));
    EXPECT_EQ(surface.unreadCount(), 2);

    show(surface);
    EXPECT_EQ(surface.unreadCount(), 0);
    EXPECT_EQ(published, (std::vector<int>{1, 2, 0}));

    // Seen as it arrives while the inbox is on screen.
    add("vitals.cpuBusy", "vitals", "CPU busy", today(0));
    EXPECT_EQ(surface.unreadCount(), 0);

    surface.hide();
    add("vitals.cpuBusy", "vitals", "CPU busy", today(0));
    EXPECT_EQ(surface.unreadCount(), 1);
    EXPECT_EQ(published.back(), 1);
}

TEST_F(NotificationsSurfaceTest, arrow_keys_walk_the_rows_and_return_runs_the_focused_rows_primary_action)
{
    RecordingHandler handler;
    environment.alerts().setActionHandler(&handler);
    AlertRecord logs = add("docker.exit", "docker", "Container web exited", today(30), Action::containerLogs("web"));
    AlertRecord finished = add("ai.finished", "ai", "Codex finished", today(20));
    NotificationsSurface surface(environment);
    show(surface);

    row(surface, finished)->setFocus();
    press(row(surface, finished), Qt::Key_Down);
    EXPECT_EQ(surface.focusWidget(), row(surface, logs));
    press(row(surface, logs), Qt::Key_Return);
    EXPECT_EQ(handler.performed, (std::vector<std::pair<InboxAction, Uuid>>{{InboxAction::viewLogs, logs.id}}));

    // Deleting the focused row hands the focus to the row now in its place.
    press(row(surface, logs), Qt::Key_Up);
    press(row(surface, finished), Qt::Key_Delete);
    EXPECT_EQ(surface.focusWidget(), row(surface, logs));
    environment.alerts().setActionHandler(nullptr);
}

TEST_F(NotificationsSurfaceTest, a_chip_filters_the_rows_and_falls_back_to_all_once_its_last_alert_is_gone)
{
    AlertRecord agent = add("ai.finished", "ai", "Codex finished", today(30));
    AlertRecord dev = add("projects.commandFinished", "projects", "Build finished", today(20));
    AlertRecord system = add("vitals.cpuBusy", "vitals", "CPU busy", today(10));
    NotificationsSurface surface(environment);
    show(surface);
    EXPECT_TRUE(surface.findChild<QPushButton*>("chip|Needs action")->isHidden());
    EXPECT_EQ(text(surface, "chip|All"), "All 3");

    surface.findChild<QPushButton*>("chip|Dev")->click();
    settle();
    EXPECT_EQ(onScreen(surface), (std::vector<std::string>{"section|earlierToday", rowOf(dev)}));
    EXPECT_EQ(text(surface, "caption"), "1 from dev tools");
    EXPECT_EQ(text(surface, "clear"), "Clear dev");

    environment.alerts().remove(dev.id);
    settle();
    EXPECT_TRUE(surface.findChild<QPushButton*>("chip|Dev")->isHidden());
    EXPECT_TRUE(surface.findChild<QPushButton*>("chip|All")->isChecked());
    EXPECT_EQ(onScreen(surface), (std::vector<std::string>{"section|earlierToday", rowOf(system), rowOf(agent)}));
    EXPECT_EQ(text(surface, "caption"), "2 notifications");
}

TEST_F(NotificationsSurfaceTest, the_snapshot_draws_a_sample_inbox_and_leaves_the_users_history_alone)
{
    QImage image = NotificationsSurface::renderSnapshot(environment, QSize(360, 520));

    EXPECT_EQ(image.size(), QSize(360, 520) * app::SnapshotRenderer::scale);
    EXPECT_FALSE(app::SnapshotRenderer::isBlank(image));
    EXPECT_TRUE(environment.alerts().history().records.empty());
}
