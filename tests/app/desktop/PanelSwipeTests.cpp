// Sideways swipes on the expanded panel: wheel events as they reach the
// panel from the widget under the pointer.

#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/PanelWindow.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::KnownPaths;
using corvane::Surface;
using corvane::app::AppEnvironment;
using corvane::app::PanelPage;
using corvane::app::PanelWindow;
using corvane::app::SectionRegistry;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

namespace {

QWidget* label(AppEnvironment&, QWidget* parent) { return new QLabel(QStringLiteral("Section"), parent); }

// A strip wider than the panel, as a row of chips is.
QWidget* strip(AppEnvironment&, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("strip"));
    area->setFixedSize(300, 40);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* wide = new QLabel(QStringLiteral("chips"));
    wide->setFixedSize(2000, 30);
    area->setWidget(wide);
    return area;
}

struct Panel {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    SectionRegistry sections = registry();
    std::unique_ptr<PanelWindow> panel;
    std::uint64_t time = 1'000;

    static SectionRegistry registry()
    {
        SectionRegistry sections = SectionRegistry::builtIn();
        sections.add("runtime", label);
        sections.add("clipboard", strip);
        sections.add("vitals", label);
        return sections;
    }

    // The dock reads Home, Dev, Stash, System: Focus has nothing to show.
    Panel()
    {
        panel = std::make_unique<PanelWindow>(environment, sections);
        panel->show();
        QCoreApplication::processEvents();
    }

    Surface surface() const { return panel->page().surface; }

    // As it reaches the panel when nothing under the pointer took it.
    void wheel(QPoint at, QPoint pixels, QPoint angle, Qt::ScrollPhase phase)
    {
        QWheelEvent event(QPointF(at), panel->mapToGlobal(QPointF(at)), pixels, angle, Qt::NoButton, Qt::NoModifier,
                          phase, false);
        event.setTimestamp(time);
        QApplication::sendEvent(panel.get(), &event);
    }

    // A two-finger swipe: its steps `step` pixels apart, 10 ms apart.
    void swipe(int steps, QPoint step, QPoint at = {20, 300})
    {
        wheel(at, {}, {}, Qt::ScrollBegin);
        for (int i = 0; i < steps; ++i) {
            time += 10;
            wheel(at, step, step * 4, Qt::ScrollUpdate);
        }
        time += 10;
        wheel(at, {}, {}, Qt::ScrollEnd);
        time += 50;
    }

    QScrollArea* chipStrip() const { return panel->findChild<QScrollArea*>(QStringLiteral("strip")); }
    QPoint middleOf(QWidget* widget) const { return widget->mapTo(panel.get(), widget->rect().center()); }
};

}  // namespace

TEST(PanelSwipe, a_sideways_swipe_moves_one_surface_along_the_dock_per_gesture)
{
    Panel p;
    ASSERT_EQ(p.surface(), Surface::home);
    p.swipe(8, {-30, 2});
    EXPECT_EQ(p.surface(), Surface::dev) << "240 pixels of travel still make one step";
    p.swipe(8, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::stash);
    p.swipe(2, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::stash) << "60 pixels are not enough";
    p.swipe(3, {30, 0});
    EXPECT_EQ(p.surface(), Surface::dev) << "the other way goes back";
    EXPECT_TRUE(p.panel->dockButton(Surface::dev)->isChecked());
}

TEST(PanelSwipe, a_tilted_wheel_steps_once_per_burst_of_notches)
{
    Panel p;
    QPoint at(20, 300);
    p.wheel(at, {}, {-120, 0}, Qt::NoScrollPhase);
    EXPECT_EQ(p.surface(), Surface::dev);
    p.time += 100;
    p.wheel(at, {}, {-120, 0}, Qt::NoScrollPhase);
    EXPECT_EQ(p.surface(), Surface::dev) << "the same burst";
    p.time += 400;
    p.wheel(at, {}, {-120, 0}, Qt::NoScrollPhase);
    EXPECT_EQ(p.surface(), Surface::stash) << "after a pause, a new gesture";
}

TEST(PanelSwipe, hidden_surfaces_are_skipped_and_the_ends_do_not_wrap)
{
    Panel p;
    p.environment.settings().set(Keys::dockHidden, {"stash"});
    p.panel->reload();
    p.swipe(4, {-30, 0});
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::system);
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::system);
    p.panel->showPage(PanelPage::of(Surface::home));
    p.swipe(4, {30, 0});
    EXPECT_EQ(p.surface(), Surface::home);
}

TEST(PanelSwipe, nothing_scrubs_while_collapsed_over_the_inbox_with_the_setting_off_or_when_scrolling_up_and_down)
{
    Panel p;
    p.panel->hide();
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::home) << "collapsed";
    p.panel->show();

    p.panel->showPage(PanelPage::inboxPage());
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.panel->page(), PanelPage::inboxPage()) << "a page over the surfaces";
    p.panel->showPage(PanelPage::of(Surface::home));

    p.environment.settings().set(Keys::swipeGestures, false);
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::home) << "the setting off";
    p.environment.settings().set(Keys::swipeGestures, true);

    p.swipe(8, {-5, -30});
    EXPECT_EQ(p.surface(), Surface::home) << "mostly vertical";
    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::dev) << "and a swipe still works afterwards";
}

TEST(PanelSwipe, over_something_that_scrolls_sideways_the_panel_leaves_the_swipe_to_it)
{
    Panel p;
    p.panel->showPage(PanelPage::of(Surface::stash));
    QScrollArea* chips = p.chipStrip();
    ASSERT_NE(chips, nullptr);
    ASSERT_GT(chips->horizontalScrollBar()->maximum(), 0);

    // At its end the strip lets the event go by; the panel still leaves it alone.
    chips->horizontalScrollBar()->setValue(chips->horizontalScrollBar()->maximum());
    p.swipe(4, {-30, 0}, p.middleOf(chips->viewport()));
    EXPECT_EQ(p.surface(), Surface::stash);

    p.swipe(4, {-30, 0});
    EXPECT_EQ(p.surface(), Surface::system) << "beside the strip the swipe scrubs";
}
