#include <gtest/gtest.h>

#include "core/notch/DefaultsDomain.h"
#include "core/notch/EventSettings.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

using namespace corvane;

namespace {

class EventSettingsTest : public ::testing::Test {
protected:
    EventSettings of(std::string_view kind, std::optional<double> callerDuration = std::nullopt)
    {
        return eventSettings(settings, kind, callerDuration);
    }

    MemoryDefaultsDomain defaults;
    SettingsStore settings{defaults};
};

}  // namespace

TEST_F(EventSettingsTest, the_kinds_own_style_beats_the_global_ears_preference)
{
    settings.set(Keys::alertStyle, AlertStyle::ears);
    EXPECT_EQ(of("ai.finished").style, EventStyle::ear);
    settings.set(AlertSwitch::style("ai.finished", EventStyle::card), EventStyle::card);
    EXPECT_EQ(of("ai.finished").style, EventStyle::card);

    // A stored "card" is a choice too: it does not turn ear kinds into cards.
    settings.set(Keys::alertStyle, AlertStyle::card);
    EXPECT_EQ(of("vitals.hot").style, EventStyle::ear);
}

TEST_F(EventSettingsTest, duration_comes_from_the_kind_then_the_caller_then_the_defaults_and_is_clamped)
{
    settings.set(Keys::alertDuration, 9.0);
    EXPECT_EQ(of("ai.finished").duration, 9.0);   // a standard 6 s kind follows the global duration
    EXPECT_EQ(of("shelf.exportFinished").duration, 12.0);
    EXPECT_EQ(of("ai.finished", 15.0).duration, 15.0);

    settings.set(AlertSwitch::durationSec("ai.finished", 6), 0.5);
    EXPECT_EQ(of("ai.finished", 15.0).duration, 1.0);
    settings.set(AlertSwitch::durationSec("ai.finished", 6), 90.0);
    EXPECT_EQ(of("ai.finished").duration, 60.0);
    EXPECT_EQ(of("timers.done", 0.0).duration, 1.0);
}

TEST_F(EventSettingsTest, a_stored_coalesce_window_applies_to_every_kind)
{
    settings.set(Keys::eventsCoalesceSec, 5.0);  // equal to the default, but stored
    EXPECT_EQ(of("network.offline").coalesceWindow, 5.0);
    EXPECT_EQ(of("keepAwake.awayPhysical").coalesceWindow, 5.0);
}

TEST_F(EventSettingsTest, the_look_of_a_kind_round_trips_through_style_and_pet_route)
{
    EXPECT_EQ(eventLook(settings, "ai.finished", false), EventLook::card);
    EXPECT_EQ(eventLook(settings, "ai.finished", true), EventLook::pet);  // the route's default

    setEventLook(settings, "ai.finished", EventLook::ear, true);
    EXPECT_EQ(eventLook(settings, "ai.finished", true), EventLook::ear);
    EXPECT_EQ(of("ai.finished").style, EventStyle::ear);

    setEventLook(settings, "ai.finished", EventLook::both, true);
    EXPECT_EQ(eventLook(settings, "ai.finished", true), EventLook::both);
    EXPECT_EQ(eventLook(settings, "ai.finished", false), EventLook::ear);

    setEventLook(settings, "vitals.hot", EventLook::card, false);
    EXPECT_EQ(settings.get(AlertSwitch::petRoute("vitals.hot")), PetRoute::pet);  // untouched without a pet
    EXPECT_EQ(eventLook(settings, "vitals.hot", false), EventLook::card);
}
