#include <gtest/gtest.h>

#include "core/notch/DockMenu.h"
#include "core/notch/SurfaceSection.h"

using namespace corvane;

namespace {
using S = Surface;
using P = DockLayout::Placement;
}  // namespace

TEST(DockLayout, stored_lists_drop_unknown_names_and_duplicates_and_complete_the_order)
{
    auto layout = DockLayout::fromStored({"system", "bogus", "dev", "system"}, {"focus", "nope"},
                                         {"home", "stash", "focus"});
    EXPECT_EQ(layout.order(), (std::vector<S>{S::system, S::dev, S::home, S::stash, S::focus}));
    EXPECT_EQ(layout.placement(S::focus), P::off);  // hidden wins over overflow
    EXPECT_EQ(layout.placement(S::home), P::dock);  // home never overflows
    EXPECT_EQ(layout.visible(), (std::vector<S>{S::system, S::dev, S::home}));
    EXPECT_EQ(layout.overflow(), std::vector<S>{S::stash});
    EXPECT_TRUE(layout.showsOverflowItem());
    EXPECT_TRUE(layout.overflowStaysOpen(S::stash));
    EXPECT_EQ(layout.rawOrder(), (std::vector<std::string>{"system", "dev", "home", "stash", "focus"}));
    EXPECT_EQ(layout.rawHidden(), std::vector<std::string>{"focus"});
    EXPECT_EQ(layout.rawOverflow(), std::vector<std::string>{"stash"});

    EXPECT_EQ(DockLayout::fromStored({}, {}, {}).visible(), (std::vector<S>{S::home, S::dev, S::stash, S::focus, S::system}));
    EXPECT_FALSE(DockLayout().showsOverflowItem());
}

TEST(DockLayout, surfaces_move_among_the_visible_ones_and_shortcuts_and_slides_follow_the_dock)
{
    DockLayout layout;
    ASSERT_TRUE(layout.set(S::stash, P::off));
    EXPECT_FALSE(layout.canMove(S::home, -1));
    EXPECT_FALSE(layout.canMove(S::stash, 1));  // hidden surfaces do not move
    EXPECT_TRUE(layout.move(S::dev, 1));        // jumps over the hidden stash
    EXPECT_EQ(layout.visible(), (std::vector<S>{S::home, S::focus, S::dev, S::system}));
    EXPECT_TRUE(layout.move(S::system, -3));
    EXPECT_EQ(layout.visible(), (std::vector<S>{S::system, S::home, S::focus, S::dev}));
    EXPECT_FALSE(layout.move(S::dev, 1));

    EXPECT_EQ(layout.surface(1), S::system);
    EXPECT_EQ(layout.surface(4), S::dev);
    EXPECT_EQ(layout.surface(5), std::nullopt);
    EXPECT_EQ(layout.surface(0), std::nullopt);

    layout.set(S::focus, P::overflow);
    EXPECT_EQ(layout.direction(S::home, S::dev), 1);
    EXPECT_EQ(layout.direction(S::focus, S::dev), -1);  // the overflow sits after the dock
    EXPECT_EQ(layout.direction(S::stash, S::focus), -1);
    EXPECT_EQ(layout.direction(S::dev, S::dev), 0);
}

TEST(DockLayout, the_last_visible_surface_stays_and_the_menu_offers_what_a_surface_may_do)
{
    DockLayout layout;
    for (S surface : {S::dev, S::stash, S::focus})
        ASSERT_TRUE(layout.set(surface, P::overflow));
    EXPECT_FALSE(layout.set(S::home, P::overflow));
    EXPECT_FALSE(layout.set(S::dev, P::overflow));  // already there
    ASSERT_TRUE(layout.set(S::system, P::off));
    EXPECT_FALSE(layout.set(S::home, P::off));
    EXPECT_EQ(layout.visible(), std::vector<S>{S::home});

    EXPECT_EQ(DockMenu::actions(S::home, layout),
              (std::vector<DockMenu::Action>{DockMenu::Action::moveLeft(false), DockMenu::Action::moveRight(false),
                                             DockMenu::Action::place(P::dock), DockMenu::Action::place(P::off),
                                             DockMenu::Action::editDock()}));
    auto menu = DockMenu::actions(S::dev, DockLayout());
    EXPECT_EQ(menu.size(), 6u);
    EXPECT_EQ(menu[0], DockMenu::Action::moveLeft(true));
    EXPECT_EQ(menu[3], DockMenu::Action::place(P::overflow));
}

TEST(SurfaceSection, each_surface_lists_its_sections_in_order_and_home_has_none)
{
    EXPECT_EQ(sections(S::dev), (std::vector<SurfaceSection>{SurfaceSection::runtime, SurfaceSection::code,
                                                             SurfaceSection::ai, SurfaceSection::toolbox}));
    EXPECT_EQ(sections(S::focus), std::vector<SurfaceSection>{SurfaceSection::keepAwake});
    EXPECT_TRUE(sections(S::home).empty());
    EXPECT_EQ(rawValue(S::dev), "dev");
    EXPECT_EQ(symbol(S::dev), "chevron.left.forwardslash.chevron.right");
}
