#pragma once
// How token counts and dollars read in a table or a tile: short, not an invoice.

#include <cstdint>
#include <string>

namespace corvane::UsageText {

// "950", "12.3K", "4.5M", "1.23B".
std::string compactTokens(std::int64_t tokens);
// "$3.40".
std::string dollars(double cost);

}  // namespace corvane::UsageText
