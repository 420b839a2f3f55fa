#include <gtest/gtest.h>

#include "app/desktop/TimerFixture.h"

namespace TimerFixture = corvane::app::TimerFixture;

TEST(TimerFixture, takes_plain_seconds_up_to_an_hour_and_nothing_else)
{
    EXPECT_EQ(TimerFixture::parse("0"), 0.0);
    EXPECT_EQ(TimerFixture::parse("1.5"), 1.5);
    EXPECT_EQ(TimerFixture::parse("3600"), 3600.0);
    for (const char* text : {"", "-1", "3600.5", "1e3", " 1", "1s", "nan", "inf", "+2", "0x10"})
        EXPECT_EQ(TimerFixture::parse(text), std::nullopt) << text;
}
