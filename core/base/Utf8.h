#pragma once
// Text from outside (transcripts, process arguments, URLs) made valid UTF-8
// before it is shown or stored.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD, one
// replacement per maximal ill-formed subpart.
std::string repairedUTF8(std::string_view bytes);

// Bytes of the sequence that starts with `lead` in well-formed UTF-8.
constexpr std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return 2;
}

// The first `count` characters (code points) of well-formed UTF-8.
std::string utf8Prefix(std::string_view text, std::size_t count);

}  // namespace corvane
