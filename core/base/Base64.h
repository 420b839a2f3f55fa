#pragma once
// Standard Base64 (RFC 4648, with padding). Decoding is strict: only the
// standard alphabet, a length that is a multiple of four and padding at the
// end; anything else gives nothing.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

std::string base64Encode(std::string_view bytes);
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace corvane
