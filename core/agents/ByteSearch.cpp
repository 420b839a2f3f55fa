#include "core/agents/ByteSearch.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

bool containsBytes(std::string_view haystack, std::string_view needle)
{
    if (needle.empty())
        return true;
    if (needle.size() > haystack.size())
        return false;
    std::size_t start = 0;
#if defined(__SSE2__)
    // Compare 16 candidate positions at once on two anchor bytes of the
    // needle; only positions matching both are checked in full. The needles
    // we look for are quoted, and quotes are everywhere in JSON, so the
    // anchors sit just inside the ends when the needle is long enough.
    const char* data = haystack.data();
    const std::size_t lastOffset = needle.size() - 1;
    const std::size_t firstAnchor = needle.size() >= 4 ? 1 : 0;
    const std::size_t lastAnchor = needle.size() >= 4 ? needle.size() - 2 : lastOffset;
    const __m128i first = _mm_set1_epi8(needle[firstAnchor]);
    const __m128i last = _mm_set1_epi8(needle[lastAnchor]);
    for (; start + 16 + lastOffset <= haystack.size(); start += 16) {
        const __m128i blockFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + start + firstAnchor));
        const __m128i blockLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + start + lastAnchor));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, blockFirst), _mm_cmpeq_epi8(last, blockLast))));
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(data + start + bit, needle.data(), needle.size()) == 0)
                return true;
            mask &= mask - 1;
        }
    }
#endif
    return haystack.substr(start).find(needle) != std::string_view::npos;
}

}  // namespace corvane
