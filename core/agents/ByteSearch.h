#pragma once
// A plain byte-substring test, the cheap pre-filter that keeps most
// transcript lines away from the JSON decoder. Vectorised because it sees
// every byte of every transcript; glibc's memmem costs noticeably more.

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>

namespace corvane {

bool containsBytes(std::string_view haystack, std::string_view needle);
// Whether any of the needles occurs, in one pass over the haystack.
bool containsAnyBytes(std::string_view haystack, std::initializer_list<std::string_view> needles);

// The ways to scan, all giving the same answers: the plain loop every
// machine runs and the vector loops of x86-64.
enum class ByteScan { portable, sse2, avx512 };
// The scans this machine can run, the portable one first and the one used
// by default last.
std::span<const ByteScan> availableByteScans();

// Up to four non-empty needles prepared once for many searches. The texts
// are not copied: they must outlive the object.
class ByteNeedles {
public:
    static constexpr std::size_t maxCount = 4;

    struct Needle {
        std::string_view bytes;
        // Where the three bytes compared at every candidate position at
        // once sit in the needle.
        std::array<std::size_t, 3> anchors{};
    };

    explicit ByteNeedles(std::initializer_list<std::string_view> needles);

    // Where the first occurrence of any needle starts; npos when none does.
    std::size_t findIn(std::string_view haystack) const;
    std::size_t findIn(std::string_view haystack, ByteScan scan) const;

    std::span<const Needle> needles() const { return {list_.data(), count_}; }
    std::size_t longest() const { return longest_; }

private:
    std::array<Needle, maxCount> list_{};
    std::size_t count_ = 0;
    std::size_t longest_ = 0;
};

// Whether a parser still screens a line before decoding it, or the caller
// did already.
enum class Screening { search, passed };

// Tells which of consecutive lines of one buffer hold a needle while
// scanning the bytes once, rather than once per line: a search that finds
// nothing in a line runs on into the lines after it. Needles hold no line
// feed, so an occurrence never spans two lines.
class LineScreen {
public:
    // `text` spans the lines asked about, in the order they are asked.
    LineScreen(const ByteNeedles& needles, std::string_view text) : needles_(needles), text_(text) {}

    // `line` lies inside the text, after the lines asked about before.
    bool holdsNeedle(std::string_view line);

private:
    const ByteNeedles& needles_;
    std::string_view text_;
    // The next occurrence known, text size when none; unknown before the first search.
    std::size_t match_ = 0;
    bool searched_ = false;
};

}  // namespace corvane
