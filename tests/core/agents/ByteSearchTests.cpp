#include "core/agents/ByteSearch.h"

#include <string>

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ByteSearch, finds_a_needle_at_every_position_around_the_vector_width)
{
    const std::string needle = "\"usage\"";
    for (std::size_t length = needle.size(); length < 80; ++length) {
        for (std::size_t at = 0; at + needle.size() <= length; ++at) {
            std::string haystack(length, 'u');
            haystack.replace(at, needle.size(), needle);
            ASSERT_TRUE(containsBytes(haystack, needle)) << length << " " << at;
            haystack[at + needle.size() - 1] = 'x';
            ASSERT_FALSE(containsBytes(haystack, needle)) << length << " " << at;
        }
    }
}

TEST(ByteSearch, handles_short_needles_and_bytes_beyond_ascii)
{
    EXPECT_TRUE(containsBytes("abc", ""));
    EXPECT_FALSE(containsBytes("ab", "abc"));
    EXPECT_TRUE(containsBytes(std::string(40, 'a') + "\xff", "\xff"));
    EXPECT_TRUE(containsBytes(std::string(40, '\x80') + "\xc3\xa9", "\xc3\xa9"));
    EXPECT_FALSE(containsBytes(std::string(40, '\x80') + "\xc3", "\xc3\xa9"));
}

TEST(ByteSearch, any_of_several_needles_of_different_lengths_is_found_wherever_it_sits)
{
    const std::string_view needles[] = {"session_meta", "turn_context", "token_count"};
    for (std::string_view needle : needles) {
        for (std::size_t length = 140; length < 150; ++length) {
            for (std::size_t at = 0; at + needle.size() <= length; ++at) {
                std::string haystack(length, 'n');
                haystack.replace(at, needle.size(), needle);
                ASSERT_TRUE(containsAnyBytes(haystack, {"session_meta", "turn_context", "token_count"})) << needle << at;
                haystack[at + needle.size() / 2] = '#';
                ASSERT_FALSE(containsAnyBytes(haystack, {"session_meta", "turn_context", "token_count"})) << needle << at;
            }
        }
    }
    EXPECT_TRUE(containsAnyBytes("abc", {"zz", "", "yy"}));
    EXPECT_FALSE(containsAnyBytes("abc", {"abcd", "x"}));
    EXPECT_TRUE(containsAnyBytes(std::string(100, '.') + "e", {"a", "b", "c", "d", "e"}));
}

}  // namespace
}  // namespace corvane
