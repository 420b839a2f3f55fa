#include "core/notch/SmartEars.h"

#include <algorithm>

#include "core/base/Ascii.h"

namespace corvane::SmartEars {

namespace {

std::size_t wordCount(std::string_view text)
{
    std::size_t words = 0;
    bool inWord = false;
    for (char c : text) {
        if (isAsciiSpace(c)) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

}  // namespace

bool isUserEventKind(std::string_view kind)
{
    return std::find(userEventKinds.begin(), userEventKinds.end(), kind) != userEventKinds.end();
}

double confirmation(const EarContent& left, const EarContent& right)
{
    std::size_t words = 0;
    for (const auto* side : {&left, &right}) {
        for (std::string_view text : side->texts())
            words += wordCount(text);
    }
    return words < 3 ? 2.0 : 3.0;
}

}  // namespace corvane::SmartEars
