#include "core/agents/ByteSearch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace corvane {

namespace {

// Three bytes of each needle are compared at every candidate position at
// once; only positions matching all three are checked in full. The needles
// we look for are quoted, and quotes are everywhere in JSON, so the outer
// anchors sit just inside the quotes; the middle one keeps prose (where a
// "u" four bytes before an "e" is common) from reaching the full check.
struct Needle {
    std::string_view bytes;
    std::size_t first = 0;
    std::size_t middle = 0;
    std::size_t last = 0;

    explicit Needle(std::string_view text) : bytes(text)
    {
        const std::size_t size = text.size();
        first = size >= 4 ? 1 : 0;
        middle = size / 2;
        last = size >= 4 ? size - 2 : size - 1;
    }
};

constexpr std::size_t maxNeedles = 4;

struct Needles {
    std::array<Needle, maxNeedles> list{Needle(" "), Needle(" "), Needle(" "), Needle(" ")};
    std::size_t count = 0;
    std::size_t longest = 0;
};

bool matchesAt(const char* at, const Needle& needle)
{
    return std::memcmp(at, needle.bytes.data(), needle.bytes.size()) == 0;
}

// Each scan tests blocks while the longest needle fits after the block and
// leaves `start` where it stopped; the caller finishes the tail.
#if defined(__x86_64__)

__attribute__((target("avx512f,avx512bw"))) bool scanAVX512(std::string_view haystack, const Needles& needles,
                                                            std::size_t& start)
{
    const char* data = haystack.data();
    for (; start + 64 + needles.longest <= haystack.size(); start += 64) {
        const char* block = data + start;
        for (std::size_t n = 0; n < needles.count; ++n) {
            const Needle& needle = needles.list[n];
            std::uint64_t mask =
                _mm512_cmpeq_epi8_mask(_mm512_set1_epi8(needle.bytes[needle.first]), _mm512_loadu_si512(block + needle.first))
                & _mm512_cmpeq_epi8_mask(_mm512_set1_epi8(needle.bytes[needle.middle]), _mm512_loadu_si512(block + needle.middle))
                & _mm512_cmpeq_epi8_mask(_mm512_set1_epi8(needle.bytes[needle.last]), _mm512_loadu_si512(block + needle.last));
            for (; mask != 0; mask &= mask - 1) {
                if (matchesAt(block + __builtin_ctzll(mask), needle))
                    return true;
            }
        }
    }
    return false;
}

__m128i equalSSE2(char byte, const char* at)
{
    return _mm_cmpeq_epi8(_mm_set1_epi8(byte), _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

bool scanSSE2(std::string_view haystack, const Needles& needles, std::size_t& start)
{
    const char* data = haystack.data();
    for (; start + 16 + needles.longest <= haystack.size(); start += 16) {
        const char* block = data + start;
        for (std::size_t n = 0; n < needles.count; ++n) {
            const Needle& needle = needles.list[n];
            const __m128i matches = _mm_and_si128(_mm_and_si128(equalSSE2(needle.bytes[needle.first], block + needle.first),
                                                                equalSSE2(needle.bytes[needle.middle], block + needle.middle)),
                                                  equalSSE2(needle.bytes[needle.last], block + needle.last));
            for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(matches)); mask != 0; mask &= mask - 1) {
                if (matchesAt(block + __builtin_ctz(mask), needle))
                    return true;
            }
        }
    }
    return false;
}

using Scan = bool (*)(std::string_view, const Needles&, std::size_t&);

// Chosen once: the build targets plain x86-64, the machine may do better.
// The scan is bound by memory rather than by the width of the compare, so
// AVX2 machines use the SSE2 loop.
const Scan scan = __builtin_cpu_supports("avx512bw") ? scanAVX512 : scanSSE2;

#endif

}  // namespace

bool containsAnyBytes(std::string_view haystack, std::initializer_list<std::string_view> given)
{
    if (given.size() > maxNeedles)
        return std::any_of(given.begin(), given.end(), [&](std::string_view needle) { return containsBytes(haystack, needle); });
    Needles needles;
    for (std::string_view needle : given) {
        if (needle.empty())
            return true;
        if (needle.size() > haystack.size())
            continue;
        needles.list[needles.count++] = Needle(needle);
        needles.longest = std::max(needles.longest, needle.size());
    }
    if (needles.count == 0)
        return false;
    std::size_t start = 0;
#if defined(__x86_64__)
    if (scan(haystack, needles, start))
        return true;
#endif
    std::string_view tail = haystack.substr(start);
    for (std::size_t n = 0; n < needles.count; ++n) {
        if (tail.find(needles.list[n].bytes) != std::string_view::npos)
            return true;
    }
    return false;
}

bool containsBytes(std::string_view haystack, std::string_view needle)
{
    return containsAnyBytes(haystack, {needle});
}

}  // namespace corvane
