#pragma once
// The SHA-256 of the helper built with this app (64 lowercase hex digits),
// recorded at build time; the launch check holds the installed one to it.

#include <string_view>

namespace corvane {

std::string_view closedLidHelperSHA256();

}  // namespace corvane
