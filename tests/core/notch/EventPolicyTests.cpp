#include <gtest/gtest.h>

#include "core/notch/DefaultsDomain.h"
#include "core/notch/EventCatalog.h"
#include "core/notch/EventCenter.h"
#include "core/notch/EventPolicy.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

using namespace corvane;

namespace {

WallTime at(double seconds) { return WallTime::fromUnixSeconds(1'700'000'000 + seconds); }

AppEvent event(std::string kind, std::string key, double seconds)
{
    return AppEvent{.kind = std::move(kind), .moduleID = "test", .coalesceKey = std::move(key), .date = at(seconds)};
}

class EventCenterTest : public ::testing::Test {
protected:
    // Decides and, like the pipeline, updates the state for what it shows.
    EventDecision raise(const AppEvent& e, std::optional<double> callerDuration = std::nullopt)
    {
        auto decided = center.decide(e, callerDuration);
        if (auto* shown = decided.decision.as<EventDecision::Show>())
            center.didShow(e, shown->style, shown->duration);
        else if (decided.decision.as<EventDecision::Coalesce>())
            center.didCoalesce(e, decided.settings.duration);
        return decided.decision;
    }

    MemoryDefaultsDomain defaults;
    SettingsStore settings{defaults};
    EventCenter center{settings};
};

}  // namespace

TEST(EventCatalog, listed_kinds_keep_their_own_spec_and_every_other_kind_gets_the_default)
{
    EXPECT_EQ(EventCatalog::distinctKinds().size(), 37u);
    EXPECT_EQ(EventCatalog::spec("network.online"), (EventKindSpec{"network.online", EventStyle::ear, 4, 0, 60, false}));
    EXPECT_EQ(EventCatalog::spec("keepAwake.awayPhysical"),
              (EventKindSpec{"keepAwake.awayPhysical", EventStyle::card, 6, 60, 300, false}));
    EXPECT_EQ(EventCatalog::spec("ai.finished"), (EventKindSpec{"ai.finished", EventStyle::card, 6, 5, 30, false}));
    EXPECT_EQ(EventCatalog::spec("made.up").id, "made.up");
    for (const auto& spec : EventCatalog::distinctKinds())
        EXPECT_NE(spec, (EventKindSpec{spec.id})) << spec.id << " needs no row of its own";
}

TEST(EventPolicy, a_private_event_is_dropped_as_private_even_when_its_kind_is_disabled)
{
    EventSettings disabled;
    disabled.enabled = false;
    auto e = event("ai.finished", "s1", 0);
    e.isPrivate = true;
    EXPECT_EQ(EventPolicy::decide(e, {}, disabled, e.date), EventDecision::drop(DropReason::privateContent));
    e.isPrivate = false;
    EXPECT_EQ(EventPolicy::decide(e, {}, disabled, e.date), EventDecision::drop(DropReason::disabled));
}

TEST(EventPolicy, copy_toasts_follow_the_copy_mode_unless_the_event_ignores_it)
{
    EventSettings settings;
    auto copied = event("clipboard.copied", "k", 0);
    auto detected = event("toolbox.detect", "k", 0);
    auto plainDetected = detected;
    plainDetected.isPlainCopy = true;
    auto show = EventDecision::show(EventStyle::card, 6);
    auto dropped = EventDecision::drop(DropReason::disabled);

    settings.copyMode = CopyToastMode::actionable;
    EXPECT_EQ(EventPolicy::decide(copied, {}, settings, copied.date), dropped);
    EXPECT_EQ(EventPolicy::decide(plainDetected, {}, settings, copied.date), dropped);
    EXPECT_EQ(EventPolicy::decide(detected, {}, settings, copied.date), show);

    settings.copyMode = CopyToastMode::all;
    EXPECT_EQ(EventPolicy::decide(copied, {}, settings, copied.date), show);

    settings.copyMode = CopyToastMode::off;
    EXPECT_EQ(EventPolicy::decide(detected, {}, settings, copied.date), dropped);
    copied.ignoresCopyMode = true;
    EXPECT_EQ(EventPolicy::decide(copied, {}, settings, copied.date), show);
}

TEST_F(EventCenterTest, quiet_mode_lets_time_sensitive_kinds_through_and_records_the_rest)
{
    settings.set(Keys::quietMode, true);
    EXPECT_EQ(raise(event("ai.stuck", "s1", 0)), EventDecision::show(EventStyle::card, 6));
    EXPECT_EQ(raise(event("ai.finished", "s2", 1)), EventDecision::recordOnly());

    settings.set(Keys::respectFocus, false);
    EXPECT_EQ(raise(event("ai.finished", "s2", 2)), EventDecision::show(EventStyle::card, 6));
}

TEST_F(EventCenterTest, a_second_offline_event_within_the_rate_limit_is_only_recorded)
{
    EXPECT_EQ(raise(event("network.offline", "wifi", 0)), EventDecision::show(EventStyle::ear, 4));
    EXPECT_EQ(raise(event("network.offline", "wifi", 3)), EventDecision::recordOnly());
    // The ear ran out at 4 s, yet the rate limit outlives it.
    EXPECT_EQ(raise(event("network.offline", "wifi", 59)), EventDecision::recordOnly());
    EXPECT_EQ(raise(event("network.offline", "wifi", 60)), EventDecision::show(EventStyle::ear, 4));
}

TEST_F(EventCenterTest, repeats_of_a_visible_alert_coalesce_as_long_as_the_gaps_stay_under_the_window)
{
    EXPECT_EQ(raise(event("ai.finished", "session-1", 0)), EventDecision::show(EventStyle::card, 6));
    EXPECT_EQ(raise(event("ai.finished", "session-1", 4)), EventDecision::coalesce(2));
    EXPECT_EQ(raise(event("ai.finished", "session-1", 8)), EventDecision::coalesce(3));
    // Another session is another alert; the rate limit counts per key.
    EXPECT_EQ(raise(event("ai.finished", "session-2", 9)), EventDecision::show(EventStyle::card, 6));
    EXPECT_EQ(center.state().visible, (EventState::Visible{"ai.finished", "session-2", 1}));
    // After a pause longer than the window the old session is only rate limited.
    EXPECT_EQ(raise(event("ai.finished", "session-1", 20)), EventDecision::recordOnly());
}

TEST_F(EventCenterTest, an_ear_runs_out_by_time_while_a_card_stays_until_it_is_hidden)
{
    settings.set(Keys::eventsCoalesceSec, 30.0);
    EXPECT_EQ(raise(event("vitals.cpuBusy", "cpu", 0)), EventDecision::show(EventStyle::ear, 6));
    EXPECT_EQ(raise(event("vitals.cpuBusy", "cpu", 4)), EventDecision::coalesce(2));
    EXPECT_EQ(center.earUntil(), at(10));  // pushed by the repeat
    EXPECT_EQ(raise(event("vitals.cpuBusy", "cpu", 10)), EventDecision::recordOnly());  // gone, and rate limited

    EXPECT_EQ(raise(event("ai.finished", "s", 11)), EventDecision::show(EventStyle::card, 6));
    EXPECT_EQ(raise(event("ai.finished", "s", 31)), EventDecision::coalesce(2));
    center.didHide();
    EXPECT_EQ(raise(event("ai.finished", "s", 32)), EventDecision::recordOnly());
    EXPECT_EQ(center.visibleStyle(), std::nullopt);
}
