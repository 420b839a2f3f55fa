#include <gtest/gtest.h>

#include "core/notch/EarChoices.h"
#include "core/notch/EarFit.h"

using namespace corvane;

namespace {
WallTime at(double seconds) { return WallTime::fromReferenceSeconds(790'000'000 + seconds); }
}  // namespace

TEST(EarFit, the_ears_take_the_smaller_gap_less_the_margin_and_hide_below_forty_points)
{
    EXPECT_EQ(EarFit::resolve({.left = 100, .right = 60}, points(EarWidth::regular)), EarFitResult::points(52));
    EXPECT_EQ(EarFit::resolve({.left = 100, .right = 47}, 96), EarFitResult::hidden());
    EXPECT_EQ(EarFit::resolve({.left = 48, .right = 48.9}, 96), EarFitResult::points(40));
    EXPECT_EQ(EarFit::resolve({.left = 500, .right = 400}, 96), EarFitResult::points(96));

    EXPECT_EQ(EarFit::summary(EarFitResult::points(52), {.left = 100, .right = 60, .app = "Firefox"}),
              "Ears 52 pt wide: 100 pt free on the left, 60 pt on the right beside the menus of Firefox");
    EXPECT_EQ(EarFit::summary(EarFitResult::hidden(), {.left = 100, .right = 47}),
              "Ears hidden: only 47 pt free beside the island");
}

TEST(EarFit, a_lyric_line_gets_extra_room_only_when_the_right_gap_holds_one)
{
    EXPECT_EQ(EarFit::lyricExtra(MenuBarGaps{.left = 0, .right = 300}, 96), 128);
    EXPECT_EQ(EarFit::lyricExtra(MenuBarGaps{.left = 0, .right = 158}, 96), 54);
    EXPECT_EQ(EarFit::lyricExtra(MenuBarGaps{.left = 0, .right = 157}, 96), 0);  // 149 < 150
    EXPECT_EQ(EarFit::lyricExtra(MenuBarGaps{.left = 0, .right = 150}, 96), 0);
    EXPECT_EQ(EarFit::lyricExtra(MenuBarGaps{.left = 0, .right = 300}, 240), 0);
    EXPECT_EQ(EarFit::lyricExtra(std::nullopt, 96), 0);
}

TEST(EarFit, gaps_are_measured_to_the_nearest_item_on_the_islands_screen)
{
    Rect screen{0, 0, 1920, 1080};
    Rect notch{860, 0, 200, 32};
    std::vector<Rect> frames{
        {10, 0, 300, 32},     // application menus
        {700, 0, 100, 32},    // nearest on the left
        {900, 0, 40, 32},     // behind the island
        {1200, 0, 30, 32},    // nearest on the right
        {1500, 0, 200, 32},
        {2000, 0, 40, 32},    // another screen
    };
    auto gaps = EarFit::gaps(frames, notch, screen, "Files");
    EXPECT_EQ(gaps, (MenuBarGaps{.left = 60, .right = 140, .app = "Files"}));
    EXPECT_EQ(EarFit::gaps({}, notch, screen, std::nullopt), (MenuBarGaps{.left = 860, .right = 860}));
}

TEST(EarFit, scans_follow_the_event_and_status_items_are_measured_again_only_when_stale)
{
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::appActivated, std::nullopt, at(0)),
              (MenuBarScanPlan{.menus = true, .extras = false, .delay = 0.15}));
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::appLaunchedOrQuit, at(0), at(1)),
              (MenuBarScanPlan{.menus = true, .extras = true, .delay = 3.0}));
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::screenChanged, at(0), at(1)),
              (MenuBarScanPlan{.menus = true, .extras = true, .delay = 0}));
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::earsWillShow, at(0), at(200)), std::nullopt);
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::earsWillShow, at(0), at(301)),
              (MenuBarScanPlan{.menus = false, .extras = true, .delay = 0}));
    EXPECT_EQ(EarFit::plan(MenuBarScanEvent::earsWillShow, std::nullopt, at(0)),
              (MenuBarScanPlan{.menus = false, .extras = true, .delay = 0}));
}
