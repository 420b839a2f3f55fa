#pragma once
// What the settings pickers offer for the resting ears. Older choices that
// are no longer offered stay selectable while they are the current value.

#include <algorithm>
#include <array>
#include <vector>

#include "core/notch/EarChoices.h"

namespace corvane {

namespace RestingEarChoices {

inline constexpr std::array offered{
    RestingEarContent::none,      RestingEarContent::clock,  RestingEarContent::battery,
    RestingEarContent::devServers, RestingEarContent::nextEvent, RestingEarContent::unread,
    RestingEarContent::aiLimit,
};

inline std::vector<RestingEarContent> pickerOptions(RestingEarContent current)
{
    std::vector<RestingEarContent> out(offered.begin(), offered.end());
    if (std::find(out.begin(), out.end(), current) == out.end())
        out.push_back(current);
    return out;
}

}  // namespace RestingEarChoices

}  // namespace corvane
