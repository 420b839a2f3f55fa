#include "core/agents/UsageText.h"

#include <fmt/format.h>

namespace corvane::UsageText {

std::string compactTokens(std::int64_t tokens)
{
    const auto value = static_cast<double>(tokens);
    if (tokens < 1000)
        return fmt::format("{}", tokens);
    if (tokens < 1'000'000)
        return fmt::format("{:.1f}K", value / 1e3);
    if (tokens < 1'000'000'000)
        return fmt::format("{:.1f}M", value / 1e6);
    return fmt::format("{:.2f}B", value / 1e9);
}

std::string dollars(double cost)
{
    return fmt::format("${:.2f}", cost);
}

}  // namespace corvane::UsageText
