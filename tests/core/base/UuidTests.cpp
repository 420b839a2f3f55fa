#include <gtest/gtest.h>

#include <set>

#include "core/base/Uuid.h"

using corvane::Uuid;

TEST(Uuid, random_ids_are_version_4_and_read_back_from_their_text)
{
    std::set<Uuid> seen;
    for (int i = 0; i < 100; ++i) {
        Uuid id = Uuid::random();
        std::string text = id.string();
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        EXPECT_EQ(Uuid::parse(text), id);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(Uuid, parsing_accepts_either_case_and_nothing_else)
{
    auto upper = Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    ASSERT_TRUE(upper);
    EXPECT_EQ(Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"), upper);
    EXPECT_EQ(upper->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_FALSE(Uuid::parse("E621E1F8C36C495A93FC0C247A3E6E5F"));
    EXPECT_FALSE(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5G"));
    EXPECT_FALSE(Uuid::parse("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"));
}
