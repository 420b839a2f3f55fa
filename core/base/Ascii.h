#pragma once
// Text helpers for the ASCII parts of identifiers, hosts, URLs and tool
// names. Case folding touches the ASCII letters only, so that the user's
// locale (a Turkish dotless i, say) can never change a match.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

constexpr bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// 0...15 for a hexadecimal digit of either case, else -1.
constexpr int hexDigitValue(char c)
{
    if (isAsciiDigit(c))
        return c - '0';
    c = asciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

inline std::string asciiLowercased(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiLower);
    return out;
}

// "%41b" becomes "Ab"; nothing for a "%" without two hex digits after it.
// A "+" stays a "+": only form bodies mean a space by it.
std::optional<std::string> percentDecoded(std::string_view text);

}  // namespace corvane
