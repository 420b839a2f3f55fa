#include <gtest/gtest.h>

#include "core/notch/MovieMode.h"

using namespace corvane;

TEST(MovieMode, a_full_screen_player_counts_as_watching_and_a_browser_only_while_it_plays)
{
    using MovieMode::Playing;
    std::optional<std::string> vlc = "vlc.desktop";
    std::optional<std::string> firefox = "firefox.desktop";

    EXPECT_TRUE(MovieMode::isWatching(true, true, vlc, std::nullopt));
    EXPECT_TRUE(MovieMode::isWatching(true, true, std::string("org.gnome.Totem"), std::nullopt));
    EXPECT_FALSE(MovieMode::isWatching(false, true, vlc, std::nullopt));
    EXPECT_FALSE(MovieMode::isWatching(true, false, vlc, std::nullopt));
    EXPECT_FALSE(MovieMode::isWatching(true, true, std::nullopt, Playing{}));

    EXPECT_FALSE(MovieMode::isWatching(true, true, firefox, std::nullopt));
    EXPECT_TRUE(MovieMode::isWatching(true, true, firefox, Playing{}));
    EXPECT_TRUE(MovieMode::isWatching(true, true, firefox, Playing{"firefox"}));
    EXPECT_FALSE(MovieMode::isWatching(true, true, firefox, Playing{"spotify.desktop"}));
    EXPECT_FALSE(MovieMode::isWatching(true, true, std::string("org.gnome.TextEditor.desktop"), Playing{}));
}

TEST(MovieMode, while_watching_only_time_sensitive_alerts_show_and_only_as_ears)
{
    auto shown = EventDecision::show(EventStyle::card, 6);
    EXPECT_EQ(MovieMode::route(shown, true), EventDecision::show(EventStyle::ear, 6));
    EXPECT_EQ(MovieMode::route(shown, false), EventDecision::recordOnly());
    EXPECT_EQ(MovieMode::route(EventDecision::coalesce(2), true), EventDecision::coalesce(2));
    EXPECT_EQ(MovieMode::route(EventDecision::coalesce(2), false), EventDecision::recordOnly());
    EXPECT_EQ(MovieMode::route(EventDecision::drop(DropReason::disabled), true),
              EventDecision::drop(DropReason::disabled));

    Activity copied{.id = "c", .userAction = WallTime::fromUnixSeconds(0)};
    Activity working{.id = "w"};
    EXPECT_TRUE(MovieMode::showsEar(copied, false));
    EXPECT_FALSE(MovieMode::showsEar(working, false));
    EXPECT_TRUE(MovieMode::showsEar(working, true));
}

TEST(MovieMode, a_window_covers_the_display_within_half_a_point_and_the_time_left_reads_as_a_countdown)
{
    Rect display{1920, 0, 1440, 900};
    EXPECT_TRUE(MovieMode::covers({1920.4, 0, 1439.5, 900}, display, 0));
    EXPECT_TRUE(MovieMode::covers({1920, 0.5, 1440, 868}, display, 32));
    EXPECT_FALSE(MovieMode::covers({1920, 0, 1440, 860}, display, 32));
    EXPECT_FALSE(MovieMode::covers({1921, 0, 1439, 900}, display, 0));
    EXPECT_FALSE(MovieMode::covers({1920, 1, 1440, 899}, display, 0));

    EXPECT_EQ(MovieMode::timeLeft(600, 45.2), "-9:15");
    EXPECT_EQ(MovieMode::timeLeft(7384, 0), "-2:03:04");
    EXPECT_EQ(MovieMode::timeLeft(600, 600), std::nullopt);
    EXPECT_EQ(MovieMode::timeLeft(0, 0), std::nullopt);
}
