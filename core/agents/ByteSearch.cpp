#include "core/agents/ByteSearch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace corvane {

namespace {

constexpr std::size_t none = std::string_view::npos;

// Bytes of transcripts from the most common down, roughly as they occur in
// both agents' lines: prose, JSON punctuation, then digits. Anchors
// on rare bytes leave few candidates for the full comparison, which costs
// far more than the vector compares.
constexpr std::string_view commonBytes = " etnsoa\"rilcudp:\\m_g120fh/.,k3yb4786w59";

// Higher for more common bytes; 0 for the rarest.
constexpr std::array<std::uint8_t, 256> commonness = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t rank = 0; rank < commonBytes.size(); ++rank)
        table[static_cast<unsigned char>(commonBytes[rank])] = static_cast<std::uint8_t>(commonBytes.size() - rank);
    return table;
}();

// The needle's three rarest bytes, earlier ones first among equals, the
// rarest repeated when the needle is shorter. One pass: callers that test
// line by line prepare their needle for every line.
ByteNeedles::Needle prepared(std::string_view text)
{
    auto rarity = [&](std::size_t at) { return commonness[static_cast<unsigned char>(text[at])]; };
    std::array<std::size_t, 3> anchors{};
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t slot = chosen;
        if (chosen < anchors.size())
            ++chosen;
        else if (rarity(i) < rarity(anchors.back()))
            slot = anchors.size() - 1;
        else
            continue;
        anchors[slot] = i;
        for (; slot > 0 && rarity(anchors[slot]) < rarity(anchors[slot - 1]); --slot)
            std::swap(anchors[slot], anchors[slot - 1]);
    }
    for (std::size_t slot = chosen; slot < anchors.size(); ++slot)
        anchors[slot] = anchors[0];
    return {text, anchors};
}

bool matchesAt(const char* at, const ByteNeedles::Needle& needle)
{
    return std::memcmp(at, needle.bytes.data(), needle.bytes.size()) == 0;
}

// The lowest set bit of `candidates` below `limit` where the needle really
// starts, or `limit`.
std::size_t firstMatch(std::uint64_t candidates, const char* block, const ByteNeedles::Needle& needle, std::size_t limit)
{
    for (; candidates != 0; candidates &= candidates - 1) {
        const auto bit = static_cast<std::size_t>(__builtin_ctzll(candidates));
        if (bit >= limit)
            break;
        if (matchesAt(block + bit, needle))
            return bit;
    }
    return limit;
}

// Each scan tests blocks while the longest needle fits after the block and
// leaves `start` where it stopped; the caller searches the rest. The number
// of needles is a template argument, so that each needle's anchors stay in
// registers across the loop.
#if defined(__x86_64__)

template <std::size_t Count>
__attribute__((target("avx512f,avx512bw"))) std::size_t scanAVX512(std::string_view haystack,
                                                                   const ByteNeedles& needles, std::size_t& start)
{
    const std::span<const ByteNeedles::Needle> list = needles.needles();
    __m512i anchor[Count][3];
    for (std::size_t n = 0; n < Count; ++n) {
        for (std::size_t a = 0; a < 3; ++a)
            anchor[n][a] = _mm512_set1_epi8(list[n].bytes[list[n].anchors[a]]);
    }
    const char* data = haystack.data();
    std::size_t at = start;
    for (; at + 64 + needles.longest() <= haystack.size(); at += 64) {
        const char* block = data + at;
        std::array<std::uint64_t, Count> candidates;
        std::uint64_t any = 0;
        for (std::size_t n = 0; n < Count; ++n) {
            const ByteNeedles::Needle& needle = list[n];
            candidates[n] = _mm512_mask_cmpeq_epi8_mask(
                _mm512_mask_cmpeq_epi8_mask(
                    _mm512_cmpeq_epi8_mask(anchor[n][0], _mm512_loadu_si512(block + needle.anchors[0])), anchor[n][1],
                    _mm512_loadu_si512(block + needle.anchors[1])),
                anchor[n][2], _mm512_loadu_si512(block + needle.anchors[2]));
            any |= candidates[n];
        }
        if (any == 0)
            continue;
        std::size_t found = 64;
        for (std::size_t n = 0; n < Count; ++n)
            found = firstMatch(candidates[n], block, list[n], found);
        if (found < 64) {
            start = at;
            return at + found;
        }
    }
    start = at;
    return none;
}

__m128i equalSSE2(__m128i byte, const char* at)
{
    return _mm_cmpeq_epi8(byte, _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

template <std::size_t Count>
std::size_t scanSSE2(std::string_view haystack, const ByteNeedles& needles, std::size_t& start)
{
    const std::span<const ByteNeedles::Needle> list = needles.needles();
    __m128i anchor[Count][3];
    for (std::size_t n = 0; n < Count; ++n) {
        for (std::size_t a = 0; a < 3; ++a)
            anchor[n][a] = _mm_set1_epi8(list[n].bytes[list[n].anchors[a]]);
    }
    const char* data = haystack.data();
    std::size_t at = start;
    for (; at + 16 + needles.longest() <= haystack.size(); at += 16) {
        const char* block = data + at;
        std::array<unsigned, Count> candidates;
        unsigned any = 0;
        for (std::size_t n = 0; n < Count; ++n) {
            const ByteNeedles::Needle& needle = list[n];
            const __m128i matches =
                _mm_and_si128(_mm_and_si128(equalSSE2(anchor[n][0], block + needle.anchors[0]),
                                            equalSSE2(anchor[n][1], block + needle.anchors[1])),
                              equalSSE2(anchor[n][2], block + needle.anchors[2]));
            candidates[n] = static_cast<unsigned>(_mm_movemask_epi8(matches));
            any |= candidates[n];
        }
        if (any == 0)
            continue;
        std::size_t found = 16;
        for (std::size_t n = 0; n < Count; ++n)
            found = firstMatch(std::uint64_t{candidates[n]}, block, list[n], found);
        if (found < 16) {
            start = at;
            return at + found;
        }
    }
    start = at;
    return none;
}

using Scan = std::size_t (*)(std::string_view, const ByteNeedles&, std::size_t&);

// One scan of each kind per number of needles.
constexpr std::array<Scan, ByteNeedles::maxCount> avx512Scans{scanAVX512<1>, scanAVX512<2>, scanAVX512<3>, scanAVX512<4>};
constexpr std::array<Scan, ByteNeedles::maxCount> sse2Scans{scanSSE2<1>, scanSSE2<2>, scanSSE2<3>, scanSSE2<4>};

#endif

std::vector<ByteScan> machineScans()
{
    std::vector<ByteScan> scans{ByteScan::portable};
#if defined(__x86_64__)
    // The build targets plain x86-64, the machine may do better. The scan is
    // bound by memory rather than by the width of the compare, so AVX2
    // machines use the SSE2 loop.
    __builtin_cpu_init();
    scans.push_back(ByteScan::sse2);
    if (__builtin_cpu_supports("avx512bw"))
        scans.push_back(ByteScan::avx512);
#endif
    return scans;
}

}  // namespace

std::span<const ByteScan> availableByteScans()
{
    static const std::vector<ByteScan> scans = machineScans();
    return scans;
}

ByteNeedles::ByteNeedles(std::initializer_list<std::string_view> needles)
{
    for (std::string_view needle : needles) {
        if (needle.empty() || count_ == maxCount)
            continue;
        list_[count_++] = prepared(needle);
        longest_ = std::max(longest_, needle.size());
    }
}

std::size_t ByteNeedles::findIn(std::string_view haystack) const
{
    static const ByteScan best = availableByteScans().back();
    return findIn(haystack, best);
}

std::size_t ByteNeedles::findIn(std::string_view haystack, ByteScan scan) const
{
    if (count_ == 0)
        return none;
    std::size_t start = 0;
#if defined(__x86_64__)
    std::size_t found = none;
    if (scan == ByteScan::avx512)
        found = avx512Scans[count_ - 1](haystack, *this, start);
    else if (scan == ByteScan::sse2)
        found = sse2Scans[count_ - 1](haystack, *this, start);
    if (found != none)
        return found;
#else
    (void)scan;
#endif
    std::size_t first = none;
    for (const Needle& needle : needles())
        first = std::min(first, haystack.find(needle.bytes, start));
    return first;
}

bool LineScreen::holdsNeedle(std::string_view line)
{
    const auto begin = static_cast<std::size_t>(line.data() - text_.data());
    if (!searched_ || match_ < begin) {
        const std::size_t found = needles_.findIn(text_.substr(begin));
        match_ = found == none ? text_.size() : begin + found;
        searched_ = true;
    }
    return match_ < begin + line.size();
}

bool containsAnyBytes(std::string_view haystack, std::initializer_list<std::string_view> given)
{
    if (std::any_of(given.begin(), given.end(), [](std::string_view needle) { return needle.empty(); }))
        return true;
    if (given.size() > ByteNeedles::maxCount)
        return std::any_of(given.begin(), given.end(), [&](std::string_view needle) { return containsBytes(haystack, needle); });
    return ByteNeedles(given).findIn(haystack) != none;
}

bool containsBytes(std::string_view haystack, std::string_view needle)
{
    return containsAnyBytes(haystack, {needle});
}

}  // namespace corvane
