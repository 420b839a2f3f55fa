#include "platform/DesktopAppID.h"

#include <algorithm>

namespace corvane::platform::DesktopAppID {

bool isValid(std::string_view id)
{
    if (id.empty() || id.size() > 255 || id.front() == '.')
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
            || c == '_' || c == '+';
    });
}

}  // namespace corvane::platform::DesktopAppID
