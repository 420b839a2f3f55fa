#pragma once
// "lunebox://quiet?on=1" and "?on=0": other programs and scripts switch
// quiet mode through the program's URL scheme.

#include <optional>
#include <string_view>

namespace corvane {

namespace QuietURL {

inline constexpr std::string_view host = "quiet";

// True for on=1, false for on=0; nothing for any other URL.
std::optional<bool> parse(std::string_view url);

}  // namespace QuietURL

}  // namespace corvane
