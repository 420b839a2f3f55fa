#pragma once
// Text from outside (transcripts, process arguments, URLs) made valid UTF-8
// before it is shown or stored.

#include <string>
#include <string_view>

namespace corvane {

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD, one
// replacement per maximal ill-formed subpart.
std::string repairedUTF8(std::string_view bytes);

}  // namespace corvane
