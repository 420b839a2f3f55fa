#include "core/agents/AgentText.h"

#include <algorithm>
#include <locale>
#include <optional>

#include "core/base/Utf8.h"
#include "core/base/Ascii.h"

namespace corvane::AgentText {

namespace {

bool isControlOrSpace(std::string_view text, std::size_t at)
{
    auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x20 || lead == 0x20 || lead == 0x7F)
        return true;
    // C1 controls and the no-break space, as U+0080...U+00A0.
    return lead == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) <= 0xA0;
}

std::u32string decode(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = std::min(utf8SequenceLength(lead), text.size() - i);
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(point);
        i += length;
    }
    return out;
}

// The C.UTF-8 locale carries the Unicode case tables whatever the user's
// locale is; without it only ASCII letters fold.
const std::ctype<wchar_t>* unicodeCase()
{
    static const std::optional<std::locale> locale = []() -> std::optional<std::locale> {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }();
    return locale ? &std::use_facet<std::ctype<wchar_t>>(*locale) : nullptr;
}

std::u32string folded(std::string_view text)
{
    std::u32string points = decode(repairedUTF8(text));
    const std::ctype<wchar_t>* facet = unicodeCase();
    for (char32_t& point : points) {
        if (facet != nullptr)
            point = static_cast<char32_t>(facet->tolower(static_cast<wchar_t>(point)));
        else if (point < 0x80)
            point = static_cast<char32_t>(asciiLower(static_cast<char>(point)));
    }
    return points;
}

}  // namespace

std::string collapsed(std::string_view raw)
{
    std::string text = repairedUTF8(raw);
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (std::size_t i = 0; i < text.size();) {
        if (isControlOrSpace(text, i)) {
            pendingBlank = !out.empty();
            i += utf8SequenceLength(static_cast<unsigned char>(text[i]));
            continue;
        }
        if (pendingBlank)
            out.push_back(' ');
        pendingBlank = false;
        std::size_t length = utf8SequenceLength(static_cast<unsigned char>(text[i]));
        out.append(text, i, length);
        i += length;
    }
    return out;
}

bool containsIgnoringCase(std::string_view text, std::string_view needle)
{
    if (needle.empty())
        return true;
    return folded(text).find(folded(needle)) != std::u32string::npos;
}

}  // namespace corvane::AgentText
