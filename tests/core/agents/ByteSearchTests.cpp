#include "core/agents/ByteSearch.h"

#include <random>
#include <string>
#include <vector>

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

// Haystacks built from the needles' own bytes, so that partial matches and
// overlapping candidates are everywhere.
TEST(ByteSearch, every_scan_of_the_machine_finds_the_same_first_occurrence)
{
    const ByteNeedles needles{"\"usage\"", "token_count", "ab"};
    const std::string alphabet = "\"usagetokn_cb\n ";
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string haystack(random() % 300, ' ');
        for (char& byte : haystack)
            byte = alphabet[random() % alphabet.size()];
        const std::size_t expected = needles.findIn(haystack, ByteScan::portable);
        for (ByteScan scan : availableByteScans())
            ASSERT_EQ(needles.findIn(haystack, scan), expected) << static_cast<int>(scan) << " " << haystack;
    }
}

TEST(ByteSearch, a_line_screen_marks_the_lines_a_search_of_each_line_would)
{
    std::string text;
    for (int line = 0; line < 200; ++line) {
        text += std::string(static_cast<std::size_t>(line * 7 % 90), 'x');
        if (line % 3 == 0)
            text += line % 2 == 0 ? "\"usage\"" : "token_count";
        if (line % 5 == 0)
            text += "\"usage\"";
        text += "\n";
    }
    std::vector<std::string_view> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(std::string_view(text).substr(start, end - start));

    const ByteNeedles needles{"\"usage\"", "token_count"};
    LineScreen screen(needles, std::string_view(text).substr(0, text.size() - 1));
    // Lines of other shapes are never asked about.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i % 4 == 1)
            continue;
        const bool expected = containsAnyBytes(lines[i], {"\"usage\"", "token_count"});
        ASSERT_EQ(screen.holdsNeedle(lines[i]), expected) << i;
    }
}

}  // namespace
}  // namespace corvane
