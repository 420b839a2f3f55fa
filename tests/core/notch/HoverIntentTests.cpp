#include <gtest/gtest.h>

#include "core/notch/HoverIntent.h"

using namespace corvane;

TEST(HoverIntent, a_card_waits_its_delay_lingers_its_grace_and_moves_between_anchors_without_delay)
{
    HoverIntent intent{.delay = 0.35, .grace = 0.2};
    intent.enter("ai", 10.0);
    EXPECT_EQ(intent.nextDeadline(), 10.35);
    intent.tick(10.3);
    EXPECT_EQ(intent.visibleAnchor(), std::nullopt);
    intent.tick(10.3499999);  // a timer firing a hair early still counts
    EXPECT_EQ(intent.visibleAnchor(), "ai");

    intent.leave(11.0);
    EXPECT_EQ(intent.phase, (HoverIntent::Phase{HoverIntent::Closing{"ai", 11.0}}));
    EXPECT_EQ(intent.visibleAnchor(), "ai");
    intent.enter("media", 11.1);
    EXPECT_EQ(intent.phase, (HoverIntent::Phase{HoverIntent::Shown{"media"}}));

    intent.leave(12.0);
    intent.tick(12.2);
    EXPECT_EQ(intent.phase, (HoverIntent::Phase{HoverIntent::Idle{}}));
    EXPECT_EQ(intent.nextDeadline(), std::nullopt);

    // Leaving before the delay ends shows nothing.
    intent.enter("ai", 20.0);
    intent.leave(20.1);
    intent.tick(21.0);
    EXPECT_EQ(intent.visibleAnchor(), std::nullopt);
}

TEST(HoverIntent, a_toast_suppresses_cards_until_the_pointer_leaves)
{
    HoverIntent intent{.delay = 0, .grace = 0};
    intent.enter("ai", 1.0);
    EXPECT_EQ(intent.visibleAnchor(), "ai");
    intent.toastShown();
    EXPECT_EQ(intent.visibleAnchor(), std::nullopt);
    intent.enter("media", 2.0);
    EXPECT_EQ(intent.phase, (HoverIntent::Phase{HoverIntent::Suppressed{}}));
    intent.leave(3.0);
    intent.enter("media", 4.0);
    EXPECT_EQ(intent.visibleAnchor(), "media");
    intent.leave(5.0);  // no grace: gone at once
    EXPECT_EQ(intent.phase, (HoverIntent::Phase{HoverIntent::Idle{}}));
}
