#include "core/agents/JSONLTailer.h"

#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "core/agents/LineFilter.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

using testing::TemporaryFolder;
using Lines = std::vector<std::string>;

void append(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

void replace(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(JSONLTailer, half_a_line_is_held_back_until_its_newline_arrives_and_then_read_once)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    append(path, "{\"a\":1}\n{\"b\":");
    auto first = JSONLTailer::read(path, std::nullopt, 4096);
    EXPECT_EQ(first.lines, (Lines{"{\"a\":1}"}));
    EXPECT_EQ(first.state.offset, 8u);
    EXPECT_TRUE(first.more);  // bytes remain; the next read finds them incomplete

    auto unchanged = JSONLTailer::read(path, first.state, 4096);
    EXPECT_TRUE(unchanged.lines.empty());
    EXPECT_EQ(unchanged.state.offset, 8u);
    EXPECT_FALSE(unchanged.more);

    append(path, "2}\n\n{\"c\":3}\n");
    auto second = JSONLTailer::read(path, unchanged.state, 4096);
    EXPECT_EQ(second.lines, (Lines{"{\"b\":2}", "{\"c\":3}"}));
    EXPECT_EQ(second.state.offset, std::filesystem::file_size(path));
    EXPECT_TRUE(JSONLTailer::read(path, second.state, 4096).lines.empty());
}

TEST(JSONLTailer, a_replaced_or_truncated_file_is_read_from_the_start)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    append(path, "{\"old\":1}\n{\"old\":2}\n");
    auto read = JSONLTailer::read(path, std::nullopt, 4096);

    // A new file under the same name: same length, new serial number.
    auto other = folder / "new.jsonl";
    append(other, "{\"new\":1}\n{\"new\":2}\n");
    std::filesystem::rename(other, path);
    auto replaced = JSONLTailer::read(path, read.state, 4096);
    EXPECT_EQ(replaced.lines, (Lines{"{\"new\":1}", "{\"new\":2}"}));
    EXPECT_NE(replaced.state.inode, read.state.inode);

    replace(path, "{\"short\":1}\n");
    auto truncated = JSONLTailer::read(path, replaced.state, 4096);
    EXPECT_EQ(truncated.lines, (Lines{"{\"short\":1}"}));
    EXPECT_EQ(truncated.state.size, 12u);
}

// Reads the whole file as a pass does; `reads` counts the calls.
Lines readAll(const std::filesystem::path& path, std::size_t maxBytes, std::optional<TailState>& state, int& reads)
{
    Lines lines;
    TailBuffer buffer;
    bool more = true;
    while (more && reads < 100) {
        auto view = JSONLTailer::readInto(path, state, maxBytes, buffer);
        lines.insert(lines.end(), view.lines.begin(), view.lines.end());
        state = view.state;
        more = view.more;
        ++reads;
    }
    return lines;
}

TEST(JSONLTailer, a_line_longer_than_one_read_is_skipped_whole_and_the_next_lines_are_read)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    append(path, "{\"first\":1}\n{\"huge\":\"" + std::string(10 * 1024 * 1024, 'x') + "\"}\n{\"after\":1}\n{\"after\":2}\n");

    std::optional<TailState> state;
    int reads = 0;
    Lines lines = readAll(path, 4 * 1024 * 1024, state, reads);
    EXPECT_EQ(lines, (Lines{"{\"first\":1}", "{\"after\":1}", "{\"after\":2}"}));
    EXPECT_LT(reads, 10);  // the skipped line goes by whole reads, not by pieces
    EXPECT_FALSE(state->skipping);
    EXPECT_EQ(state->offset, std::filesystem::file_size(path));
}

TEST(JSONLTailer, a_line_longer_than_a_piece_but_within_the_read_is_kept_whatever_it_follows)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    const std::size_t piece = JSONLTailer::pieceBytes;
    const std::string longer = "{\"long\":\"" + std::string(piece + piece / 2, 'x') + "\"}";
    const std::string tooLong = "{\"long\":\"" + std::string(3 * piece, 'y') + "\"}";
    // The second long line starts within the first piece of its read, the
    // third right at a read's start, after the skipped one.
    append(path, "{\"a\":1}\n" + longer + "\n" + longer + "\n" + tooLong + "\n" + longer + "\n{\"b\":2}\n");

    std::optional<TailState> state;
    int reads = 0;
    Lines lines = readAll(path, 2 * piece, state, reads);
    EXPECT_EQ(lines, (Lines{"{\"a\":1}", longer, longer, longer, "{\"b\":2}"}));
    EXPECT_EQ(state->offset, std::filesystem::file_size(path));

    // A line still being written is held back even past a piece.
    append(path, longer);
    auto held = JSONLTailer::readRaw(path, state, 2 * piece);
    EXPECT_TRUE(held.lines.empty());
    EXPECT_FALSE(held.state.skipping);
    EXPECT_EQ(held.state.offset, state->offset);
    append(path, "\n");
    EXPECT_EQ(JSONLTailer::readRaw(path, state, 2 * piece).lines, (Lines{longer}));
}

TEST(JSONLTailer, reads_at_least_64_bytes_and_a_full_read_without_newline_starts_skipping)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    append(path, std::string(100, 'x'));
    auto first = JSONLTailer::read(path, std::nullopt, 1);
    EXPECT_TRUE(first.lines.empty());
    EXPECT_EQ(first.state.offset, 64u);
    EXPECT_TRUE(first.state.skipping);
    EXPECT_TRUE(first.more);

    // The rest of the long line is shorter than a read: still discarded, as
    // it belongs to the skipped line.
    append(path, "\n{\"a\":1}\n");
    auto second = JSONLTailer::read(path, first.state, 1);
    EXPECT_EQ(second.lines, (Lines{"{\"a\":1}"}));
    EXPECT_FALSE(second.state.skipping);
}

TEST(JSONLTailer, invalid_utf8_is_repaired_in_text_lines_and_kept_in_raw_lines)
{
    TemporaryFolder folder;
    auto path = folder / "t.jsonl";
    const std::string line = "{\"t\":\"a\xFF" "b\xE2\x82" "c\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80\"}";
    append(path, line + "\n");
    EXPECT_EQ(JSONLTailer::read(path, std::nullopt, 4096).lines,
              (Lines{"{\"t\":\"a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xC3\xA9\xF0\x9F\x98\x80"
                     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"}"}));
    EXPECT_EQ(JSONLTailer::readRaw(path, std::nullopt, 4096).lines, (Lines{line}));
}

TEST(JSONLTailer, a_file_that_cannot_be_opened_keeps_the_given_state)
{
    TemporaryFolder folder;
    TailState given{7, 10, 20, false};
    auto read = JSONLTailer::read(folder / "missing.jsonl", given, 4096);
    EXPECT_TRUE(read.lines.empty());
    EXPECT_EQ(read.state, given);
    EXPECT_FALSE(read.more);
}

TEST(JSONLTailer, contains_agrees_with_a_plain_search_across_block_boundaries)
{
    std::mt19937 random(42);
    std::string haystack(300, 'a');
    for (char& c : haystack)
        c = static_cast<char>('a' + random() % 3);
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t start = 0; start + length <= haystack.size(); start += 7) {
            std::string_view needle = std::string_view(haystack).substr(start, length);
            EXPECT_TRUE(JSONLTailer::contains(haystack, needle));
            std::string missing(needle);
            missing.back() = 'z';
            EXPECT_FALSE(JSONLTailer::contains(haystack, missing));
        }
    }
}

TEST(TailState, round_trips_through_its_json_keys)
{
    TailState state{18446744073709551615u, 42, 100, true};
    EXPECT_EQ(state.toJson(), Json::parse(R"({"inode":18446744073709551615,"offset":42,"size":100,"skipping":true})"));
    EXPECT_EQ(TailState::fromJson(state.toJson()), state);
    EXPECT_EQ(TailState::fromJson(Json::parse(R"({"inode":1,"offset":-1,"size":2,"skipping":false})")), std::nullopt);
}

TEST(LineFilter, accepts_only_lines_shaped_like_a_json_object)
{
    EXPECT_TRUE(LineFilter::accepts("{\"a\":1}"));
    EXPECT_TRUE(LineFilter::accepts("{\"a\":1} \t\r"));
    EXPECT_FALSE(LineFilter::accepts(" {\"a\":1}"));
    EXPECT_FALSE(LineFilter::accepts("{\"a\":"));
    EXPECT_FALSE(LineFilter::accepts("[1]"));
    EXPECT_FALSE(LineFilter::accepts(""));
}

}  // namespace
}  // namespace corvane
