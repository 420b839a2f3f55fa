#pragma once
// A unified diff of two texts, line by line, as shown before a change to
// another tool's file is made: "--- path", "+++ path", then "@@" hunks
// with `context` unchanged lines around each change.
//
// Lines are matched by Myers' shortest edit script after the common head
// and tail are set aside. Texts past `maxLines` lines, or changes needing
// more than `maxEdits` edits, give one hunk replacing the whole text:
// still a correct diff, found in linear time.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::LineDiff {

inline constexpr std::size_t maxLines = 20000;
inline constexpr std::size_t maxEdits = 2000;

// The diff's lines without line feeds; empty when the texts are equal. A
// last line without a line feed is followed by "\ No newline at end of file".
std::vector<std::string> unified(std::string_view old, std::string_view updated, std::string_view path,
                                 std::size_t context = 3);

}  // namespace corvane::LineDiff
