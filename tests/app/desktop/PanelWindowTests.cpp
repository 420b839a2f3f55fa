#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>

#include "app/desktop/AppDelegate.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/IslandWindow.h"
#include "app/desktop/PanelWindow.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::Surface;
using corvane::app::AppDelegate;
using corvane::app::AppEnvironment;
using corvane::app::PanelPage;
using corvane::app::PanelWindow;
using corvane::app::SectionRegistry;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

namespace {

SectionRegistry::Factory section(const char* text)
{
    return [text](AppEnvironment&, QWidget* parent) { return new QLabel(QString::fromLatin1(text), parent); };
}

void press(QWidget& widget, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace

TEST(PanelWindow, digits_switch_among_the_docked_surfaces_that_have_content)
{
    TemporaryFolder folder;
    AppEnvironment environment(harnessPaths(folder.path()));
    environment.settings().set(Keys::dockOrder, {"system", "home", "dev"});
    SectionRegistry sections;
    sections.add("runtime", section("Runtime"));
    sections.add("vitals", section("Vitals"));
    PanelWindow panel(environment, sections);

    // Stash and Focus hold nothing, so the dock reads System, Home, Dev.
    EXPECT_EQ(panel.dock().visible(), (std::vector<Surface>{Surface::system, Surface::home, Surface::dev}));
    EXPECT_EQ(panel.dockButton(Surface::stash), nullptr);
    press(panel, Qt::Key_3);
    EXPECT_EQ(panel.page(), PanelPage::of(Surface::dev));
    press(panel, Qt::Key_1);
    EXPECT_EQ(panel.page(), PanelPage::of(Surface::system));
    press(panel, Qt::Key_5);
    EXPECT_EQ(panel.page(), PanelPage::of(Surface::system)) << "a digit past the dock does nothing";
    ASSERT_NE(panel.dockButton(Surface::home), nullptr);
    EXPECT_FALSE(panel.dockButton(Surface::home)->isChecked());
    EXPECT_TRUE(panel.dockButton(Surface::system)->isChecked());
}

TEST(PanelWindow, a_page_id_names_a_surface_a_section_a_module_or_the_inbox)
{
    EXPECT_EQ(corvane::app::pageFor("stash"), PanelPage::of(Surface::stash));
    EXPECT_EQ(corvane::app::pageFor("keepAwake"), PanelPage::of(Surface::focus));
    EXPECT_EQ(corvane::app::pageFor("devServers"), PanelPage::of(Surface::dev));
    EXPECT_EQ(corvane::app::pageFor("inbox"), PanelPage::inboxPage());
    EXPECT_EQ(corvane::app::pageFor("../etc"), std::nullopt);
}

TEST(PanelWindow, the_open_module_variable_opens_the_panel_on_that_surface_at_launch)
{
    TemporaryFolder folder;
    qputenv("CORVANE_OPEN_MODULE", "inbox");
    auto paths = harnessPaths(folder.path());
    AppDelegate delegate(paths);
    delegate.launch({});
    qunsetenv("CORVANE_OPEN_MODULE");

    auto* island = delegate.islands().primary();
    ASSERT_NE(island, nullptr);
    EXPECT_EQ(island->presentation(), corvane::NotchPresentation::expanded);
    ASSERT_NE(island->panel(), nullptr);
    EXPECT_TRUE(island->panel()->isVisible());
    EXPECT_EQ(island->panel()->page(), PanelPage::inboxPage());
}
