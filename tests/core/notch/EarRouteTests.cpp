#include <gtest/gtest.h>

#include "core/notch/EarRoute.h"
#include "core/notch/RestingEarChoices.h"

using namespace corvane;

namespace {

Activity activity(std::string moduleID, std::string kind)
{
    return Activity{.id = kind, .moduleID = std::move(moduleID), .kind = kind};
}

bool allOn(EarRoute) { return true; }

}  // namespace

TEST(EarRoute, kinds_map_to_their_routes_in_order_and_shelf_actions_only_for_the_shelf)
{
    EXPECT_EQ(EarRoutes::route("shelf", "move"), EarRoute::cutFiles);
    EXPECT_EQ(EarRoutes::route("clipboard", "undo"), std::nullopt);
    EXPECT_EQ(EarRoutes::route("clipboard", "clipboard.hint"), EarRoute::copied);
    EXPECT_EQ(EarRoutes::route("ai", "ai.limitReached"), EarRoute::aiAttention);
    EXPECT_EQ(EarRoutes::route("docker", "docker.exit"), EarRoute::devServerStopped);
    EXPECT_EQ(EarRoutes::route("vitals", "vitals.lowBattery"), EarRoute::systemWarnings);
    EXPECT_EQ(EarRoutes::route("media", "media.nowplaying"), EarRoute::nowPlaying);
    EXPECT_EQ(EarRoutes::route("ai", "ai.working"), EarRoute::aiWorking);
    EXPECT_EQ(EarRoutes::route("app", "app.updateReady"), EarRoute::updateReady);
    EXPECT_EQ(EarRoutes::route("vitals", "vitals.cpu"), std::nullopt);

    int on = 0;
    for (const auto& info : EarRoutes::all())
        on += info.defaultOn ? 1 : 0;
    EXPECT_EQ(on, 9);
    EXPECT_FALSE(EarRoutes::defaultSwitch(EarRoute::keepAwake));
    EXPECT_EQ(EarRoutes::info(EarRoute::systemWarnings).help,
              "CPU, memory, heat, disk or battery. Opens System › Vitals.");
}

TEST(EarRoute, hovering_opens_an_enabled_route_only_while_clicking_falls_back_to_the_activitys_module)
{
    auto working = activity("ai", "ai.working");
    auto finished = activity("ai", "ai.finished");
    auto update = activity("app", "app.updateReady");
    auto unrouted = activity("weather", "weather.rain");

    EXPECT_EQ(EarRoutes::hoverTarget(&finished, true, EarRoutes::defaultSwitch), "ai");
    EXPECT_EQ(EarRoutes::hoverTarget(&working, true, EarRoutes::defaultSwitch), std::nullopt);
    EXPECT_EQ(EarRoutes::hoverTarget(&working, true, allOn), "ai");
    EXPECT_EQ(EarRoutes::hoverTarget(&finished, false, allOn), std::nullopt);
    EXPECT_EQ(EarRoutes::hoverTarget(&update, true, allOn), std::nullopt);
    EXPECT_EQ(EarRoutes::hoverTarget(nullptr, true, allOn), std::nullopt);

    EXPECT_EQ(EarRoutes::clickTarget(&update, true, allOn), "app.update");
    EXPECT_EQ(EarRoutes::clickTarget(&update, true, [](EarRoute) { return false; }), std::nullopt);
    EXPECT_EQ(EarRoutes::clickTarget(&unrouted, true, allOn), "weather");
    EXPECT_EQ(EarRoutes::clickTarget(&working, false, allOn), "ai");
    EXPECT_EQ(EarRoutes::clickTarget(nullptr, true, allOn), std::nullopt);
}

TEST(RestingEarChoices, an_older_choice_stays_selectable_while_it_is_the_current_one)
{
    auto options = RestingEarChoices::pickerOptions(RestingEarContent::clock);
    EXPECT_EQ(options.size(), 7u);
    options = RestingEarChoices::pickerOptions(RestingEarContent::weather);
    EXPECT_EQ(options.size(), 8u);
    EXPECT_EQ(options.back(), RestingEarContent::weather);
}
