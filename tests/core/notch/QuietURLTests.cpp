#include <gtest/gtest.h>

#include "core/notch/AppURL.h"
#include "core/notch/QuietURL.h"

using namespace corvane;

TEST(QuietURL, on_one_and_on_zero_switch_quiet_mode)
{
    EXPECT_EQ(QuietURL::parse("lunebox://quiet?on=1"), true);
    EXPECT_EQ(QuietURL::parse("lunebox://quiet?on=0"), false);
    EXPECT_EQ(QuietURL::parse("LUNEBOX://Quiet/?from=script&on=%31#x"), true);
}

TEST(QuietURL, anything_else_gives_no_result)
{
    for (const char* url : {"lunebox://quiet", "lunebox://quiet?on=true", "lunebox://quiet?on", "lunebox://quiet?on=",
                            "lunebox://ear?on=1", "https://quiet?on=1", "lunebox:quiet?on=1", "lunebox://quiet/x?on=1",
                            "lunebox://quiet:80?on=1", "lunebox://me@quiet?on=1", "lunebox://quiet?on=1 ", ""})
        EXPECT_EQ(QuietURL::parse(url), std::nullopt) << url;
}

TEST(AppURL, query_items_are_percent_decoded_in_order_and_malformed_escapes_refuse_the_url)
{
    auto url = AppURL::parse("lunebox://ear?text=Build%20done%21&flag&empty=&text=second");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->host, "ear");
    EXPECT_EQ(url->query, (std::vector<AppURL::QueryItem>{
                              {"text", "Build done!"}, {"flag", std::nullopt}, {"empty", ""}, {"text", "second"}}));
    EXPECT_EQ(url->value("text"), "Build done!");

    EXPECT_FALSE(AppURL::parse("lunebox://ear?text=%2"));
    EXPECT_FALSE(AppURL::parse("lunebox://ear?text=%zz"));
    EXPECT_FALSE(AppURL::parse("lunebox://ear?text=" + std::string(AppURL::maxLength, 'a')));
    EXPECT_FALSE(AppURL::parse("lunebox://?on=1"));
}

TEST(AppURL, only_hosts_that_take_a_path_accept_one_plain_segment)
{
    EXPECT_EQ(AppURL::parse("lunebox://ear/clear?id=ci")->path, "/clear");
    EXPECT_EQ(AppURL::parse("lunebox://ear/clear/")->path, "/clear");
    EXPECT_EQ(AppURL::parse("lunebox://ear/?text=x")->path, "");
    for (const char* url : {"lunebox://quiet/clear?on=1", "lunebox://ear/a/b", "lunebox://ear//", "lunebox://ear/..",
                            "lunebox://ear/%63lear", "lunebox://ear/clear.sh"})
        EXPECT_FALSE(AppURL::parse(url)) << url;
    EXPECT_FALSE(AppURL::parse("lunebox://ear/" + std::string(AppURL::maxPathLength + 1, 'a')));
}
