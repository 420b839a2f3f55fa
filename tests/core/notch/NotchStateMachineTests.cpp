#include <gtest/gtest.h>

#include "core/notch/NotchDriver.h"
#include "core/notch/NotchStateMachine.h"

using namespace corvane;

namespace {

using Effects = std::vector<NotchEffect>;
using E = NotchEffect;
using P = NotchPresentation;

NotchStateMachine expandedBy(NotchEvent event)
{
    NotchStateMachine machine;
    machine.handle(event);
    return machine;
}

}  // namespace

TEST(NotchStateMachine, leaving_before_the_dwell_ends_cancels_it_and_the_panel_never_opens)
{
    NotchStateMachine machine;
    EXPECT_EQ(machine.handle(NotchEvent::hoverEnter()), Effects{E::startDwellTimer});
    EXPECT_EQ(machine.handle(NotchEvent::hoverExit()), Effects{E::cancelDwellTimer});
    EXPECT_EQ(machine.handle(NotchEvent::dwellElapsed()), Effects{});
    EXPECT_EQ(machine.presentation, P::closed);

    machine.handle(NotchEvent::hoverEnter());
    machine.handle(NotchEvent::dwellElapsed());
    EXPECT_EQ(machine.presentation, P::expanded);
    EXPECT_FALSE(machine.dwellPending);

    NotchStateMachine noHover;
    noHover.openOnHover = false;
    EXPECT_EQ(noHover.handle(NotchEvent::hoverEnter()), Effects{});
}

TEST(NotchStateMachine, an_alert_keeps_hovering_from_opening_but_a_click_still_expands)
{
    NotchStateMachine machine;
    machine.handle(NotchEvent::hoverEnter());
    EXPECT_EQ(machine.handle(NotchEvent::alertChanged(true)), Effects{E::cancelDwellTimer});
    machine.handle(NotchEvent::hoverExit());
    EXPECT_EQ(machine.handle(NotchEvent::hoverEnter()), Effects{});
    machine.handle(NotchEvent::click());
    EXPECT_EQ(machine.presentation, P::expanded);
    machine.handle(NotchEvent::click());
    EXPECT_EQ(machine.presentation, P::closed);
}

TEST(NotchStateMachine, a_pinned_panel_stays_open_until_the_pin_is_released_with_the_pointer_outside)
{
    NotchStateMachine machine = expandedBy(NotchEvent::click());
    machine.handle(NotchEvent::hoverEnter());
    machine.handle(NotchEvent::pin(true));
    EXPECT_EQ(machine.handle(NotchEvent::hoverExit()), Effects{});
    EXPECT_EQ(machine.handle(NotchEvent::pin(false)), Effects{E::startCollapseTimer});
    machine.handle(NotchEvent::collapseElapsed());
    EXPECT_EQ(machine.presentation, P::closed);

    // Pinning while a collapse is pending stops it.
    machine = expandedBy(NotchEvent::click());
    machine.handle(NotchEvent::hoverEnter());
    machine.handle(NotchEvent::hoverExit());
    EXPECT_EQ(machine.handle(NotchEvent::pin(true)), Effects{E::cancelCollapseTimer});
    machine.releasePin();
    EXPECT_FALSE(machine.pinned);
    EXPECT_EQ(machine.presentation, P::expanded);
}

TEST(NotchStateMachine, a_collapse_is_ignored_once_the_pointer_is_back_and_rests_on_the_ears_or_closed)
{
    NotchStateMachine machine = expandedBy(NotchEvent::click());
    machine.handle(NotchEvent::hoverEnter());
    EXPECT_EQ(machine.handle(NotchEvent::hoverExit()), Effects{E::startCollapseTimer});
    EXPECT_EQ(machine.handle(NotchEvent::hoverEnter()), Effects{E::cancelCollapseTimer});
    machine.handle(NotchEvent::collapseElapsed());
    EXPECT_EQ(machine.presentation, P::expanded);
    EXPECT_FALSE(machine.collapsePending);

    // The panel stays open when the activity ends; the next collapse closes it.
    machine.handle(NotchEvent::activityChanged(true));
    EXPECT_EQ(machine.presentation, P::expanded);
    machine.handle(NotchEvent::activityChanged(false));
    EXPECT_EQ(machine.presentation, P::expanded);
    machine.handle(NotchEvent::hoverExit());
    machine.handle(NotchEvent::collapseElapsed());
    EXPECT_EQ(machine.presentation, P::closed);

    machine.handle(NotchEvent::activityChanged(true));
    EXPECT_EQ(machine.presentation, P::ears);
    machine.handle(NotchEvent::click());
    machine.handle(NotchEvent::escape());
    EXPECT_EQ(machine.presentation, P::ears);
}

TEST(NotchStateMachine, a_drag_from_outside_expands_at_once_and_collapses_after_it_leaves)
{
    NotchStateMachine machine;
    EXPECT_EQ(machine.handle(NotchEvent::dragEnter()), Effects{});
    EXPECT_EQ(machine.presentation, P::expanded);
    // A collapse while something is dragged over the panel does nothing.
    machine.handle(NotchEvent::hoverEnter());
    EXPECT_EQ(machine.handle(NotchEvent::hoverExit()), Effects{E::startCollapseTimer});
    machine.handle(NotchEvent::collapseElapsed());
    EXPECT_EQ(machine.presentation, P::expanded);
    EXPECT_EQ(machine.handle(NotchEvent::dragExit()), Effects{E::startCollapseTimer});
    machine.handle(NotchEvent::collapseElapsed());
    EXPECT_EQ(machine.presentation, P::closed);
}

TEST(NotchDriver, timers_run_for_the_clamped_settings_and_feed_their_expiry_back)
{
    ManualClock clock(WallTime::fromUnixSeconds(1'700'000'000));
    ManualScheduler scheduler(clock);
    std::vector<NotchPresentation> shown;
    NotchTimings timings{.dwellSeconds = NotchTimings::dwellFromMilliseconds(5000),
                         .collapseSeconds = NotchTimings::collapseFromMilliseconds(10),
                         .openOnHover = true};
    EXPECT_DOUBLE_EQ(timings.dwellSeconds, 2.0);
    EXPECT_DOUBLE_EQ(timings.collapseSeconds, 0.05);
    EXPECT_DOUBLE_EQ(NotchTimings::dwellFromMilliseconds(-10), 0.0);
    NotchDriver driver(scheduler, timings, [&](NotchPresentation p) { shown.push_back(p); });

    driver.handle(NotchEvent::hoverEnter());
    scheduler.advance(1.9);
    EXPECT_EQ(driver.presentation(), P::closed);
    // Entering again restarts the dwell rather than adding a second timer.
    driver.handle(NotchEvent::hoverEnter());
    EXPECT_EQ(scheduler.pendingTimers(), 1u);
    scheduler.advance(2.0);
    EXPECT_EQ(driver.presentation(), P::expanded);

    driver.handle(NotchEvent::hoverExit());
    scheduler.advance(0.04);
    EXPECT_EQ(driver.presentation(), P::expanded);
    scheduler.advance(0.01);
    EXPECT_EQ(driver.presentation(), P::closed);
    EXPECT_EQ(shown, (std::vector<NotchPresentation>{P::expanded, P::closed}));

    driver.setTimings({.dwellSeconds = 0.15, .collapseSeconds = 0.2, .openOnHover = false});
    driver.handle(NotchEvent::hoverEnter());
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}
