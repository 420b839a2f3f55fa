#pragma once
// How transcript lines reach the parsers. A line that sits in a buffer with
// `transcriptLinePadding` readable bytes after its end is decoded in place;
// any other line is copied once into the parser's own padded buffer.

#include <cstddef>
#include <string_view>

namespace corvane {

// What the JSON decoder may read past the end of a line (the SIMD width it
// works in). The caller over-allocates its read buffer by this much.
inline constexpr std::size_t transcriptLinePadding = 64;

// Longer lines are refused before decoding; the tailer never hands out more
// than one read of 4 MiB anyway.
inline constexpr std::size_t maxTranscriptLineBytes = 4 * 1024 * 1024;

// A line followed by its newline and at least `transcriptLinePadding`
// readable bytes in all. On-Demand does not validate everything it skips:
// whether a line with unbalanced braces is refused can depend on the byte
// after it, which is why that byte is fixed.
struct PaddedLine {
    std::string_view bytes;
};

}  // namespace corvane
