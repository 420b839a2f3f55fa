#include "core/agents/JsonHead.h"

namespace corvane {

namespace {

constexpr std::size_t none = std::string_view::npos;

// Where the string opening at `open` (a quote) closes: a quote after an
// even run of backslashes.
std::size_t closingQuote(std::string_view text, std::size_t open)
{
    for (std::size_t at = open + 1;; ++at) {
        at = text.find('"', at);
        if (at == none)
            return none;
        std::size_t backslashes = 0;
        while (text[at - 1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return at;
    }
}

// The bytes a number, true, false or null is written with.
bool isScalarByte(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-' || c == '+' || c == '.' || c == 'E';
}

}  // namespace

std::optional<JsonHeadString> leadingString(std::string_view text, std::string_view name)
{
    if (text.empty() || text[0] != '{')
        return std::nullopt;
    for (std::size_t at = 1;;) {
        if (at >= text.size() || text[at] != '"')
            return std::nullopt;
        const std::size_t nameEnd = closingQuote(text, at);
        if (nameEnd == none || nameEnd + 1 >= text.size() || text[nameEnd + 1] != ':')
            return std::nullopt;
        const bool wanted = text.substr(at + 1, nameEnd - at - 1) == name;
        at = nameEnd + 2;
        if (at >= text.size())
            return std::nullopt;
        if (text[at] == '"') {
            const std::size_t valueEnd = closingQuote(text, at);
            if (valueEnd == none)
                return std::nullopt;
            if (wanted) {
                const std::string_view value = text.substr(at + 1, valueEnd - at - 1);
                if (value.find('\\') != none)
                    return std::nullopt;
                return JsonHeadString{value, valueEnd + 1};
            }
            at = valueEnd + 1;
        } else {
            if (wanted)
                return std::nullopt;
            const std::size_t start = at;
            while (at < text.size() && isScalarByte(text[at]))
                ++at;
            if (at == start)
                return std::nullopt;
        }
        if (at >= text.size() || text[at] != ',')
            return std::nullopt;
        ++at;
    }
}

}  // namespace corvane
