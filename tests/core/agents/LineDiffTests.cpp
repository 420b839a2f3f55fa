#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/agents/LineDiff.h"

namespace corvane {
namespace {

using Lines = std::vector<std::string>;

std::string numbered(int from, int to, const std::string& changedLine = {}, int changedAt = -1)
{
    std::string text;
    for (int i = from; i <= to; ++i)
        text += (i == changedAt ? changedLine : "line " + std::to_string(i)) + "\n";
    return text;
}

// Applies a unified diff to `old`, as patch would, to check the hunks.
std::string patched(const std::string& old, const Lines& diff)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < old.size();) {
        auto end = old.find('\n', at);
        lines.push_back(old.substr(at, end - at));
        at = end == std::string::npos ? old.size() : end + 1;
    }
    std::vector<std::string> out;
    std::size_t next = 0;
    for (std::size_t i = 2; i < diff.size(); ++i) {
        const std::string& line = diff[i];
        if (line.starts_with("@@")) {
            std::string range = line.substr(4, line.find(' ', 4) - 4);  // "start,count" or "start"
            auto comma = range.find(',');
            std::size_t start = std::stoul(range.substr(0, comma));
            std::size_t count = comma == std::string::npos ? 1 : std::stoul(range.substr(comma + 1));
            std::size_t first = count == 0 ? start : start - 1;
            while (next < first)
                out.push_back(lines[next++]);
        } else if (line[0] == ' ') {
            out.push_back(lines[next++]);
        } else if (line[0] == '-') {
            ++next;
        } else if (line[0] == '+') {
            out.push_back(line.substr(1));
        }
    }
    while (next < lines.size())
        out.push_back(lines[next++]);
    std::string text;
    for (const auto& line : out)
        text += line + "\n";
    return text;
}

TEST(LineDiff, equal_texts_give_no_diff_and_one_change_gives_one_hunk_with_context)
{
    EXPECT_TRUE(LineDiff::unified("a\nb\n", "a\nb\n", "x").empty());
    EXPECT_EQ(LineDiff::unified(numbered(1, 10), numbered(1, 10, "changed", 5), "settings.json", 2),
              (Lines{"--- settings.json", "+++ settings.json", "@@ -3,5 +3,5 @@", " line 3", " line 4", "-line 5",
                     "+changed", " line 6", " line 7"}));
}

TEST(LineDiff, distant_changes_get_their_own_hunks_and_near_ones_share_one)
{
    std::string old = numbered(1, 30);
    std::string far = numbered(1, 30, "x", 3);
    far = far.substr(0, far.find("line 25")) + "y\n" + far.substr(far.find("line 25"));
    auto diff = LineDiff::unified(old, far, "f", 3);
    EXPECT_EQ(std::count_if(diff.begin(), diff.end(), [](const auto& l) { return l.starts_with("@@"); }), 2);
    EXPECT_EQ(diff[2], "@@ -1,6 +1,6 @@");
    EXPECT_EQ(diff[10], "@@ -22,6 +22,7 @@");
    EXPECT_EQ(patched(old, diff), far);
}

TEST(LineDiff, new_and_emptied_files_and_a_missing_final_line_feed)
{
    EXPECT_EQ(LineDiff::unified("", "{}\n", "s", 3), (Lines{"--- s", "+++ s", "@@ -0,0 +1 @@", "+{}"}));
    EXPECT_EQ(LineDiff::unified("a\n", "", "s", 3), (Lines{"--- s", "+++ s", "@@ -1 +0,0 @@", "-a"}));
    EXPECT_EQ(LineDiff::unified("a\nb", "a\nb\n", "s", 3),
              (Lines{"--- s", "+++ s", "@@ -1,2 +1,2 @@", " a", "-b", "\\ No newline at end of file", "+b"}));
}

TEST(LineDiff, a_text_past_the_cap_is_replaced_whole_and_still_applies)
{
    std::string old = numbered(1, static_cast<int>(LineDiff::maxLines) + 5);
    std::string updated = numbered(1, static_cast<int>(LineDiff::maxLines) + 5, "middle", 9000);
    updated = "first\n" + updated;
    auto diff = LineDiff::unified(old, updated, "big", 3);
    EXPECT_EQ(diff[2], "@@ -1,9003 +1,9004 @@");
    EXPECT_EQ(patched(old, diff), updated);
    // Within the cap the same change is two small hunks.
    auto small = LineDiff::unified(numbered(1, 12000), "first\n" + numbered(1, 12000, "middle", 9000), "s", 3);
    EXPECT_EQ(small.size(), 2u + (1 + 4) + (1 + 8));
}

}  // namespace
}  // namespace corvane
