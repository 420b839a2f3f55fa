#pragma once
// Whether a change of the main ear's owner is animated: a new activity
// slides in, while a new state of the same activity only updates its content.

#include <optional>

#include "core/notch/Activity.h"

namespace corvane {

namespace EarTransition {

inline bool animates(const std::optional<Activity>& from, const std::optional<Activity>& to)
{
    if (!from || !to)
        return from.has_value() != to.has_value();
    return from->id != to->id || from->moduleID != to->moduleID;
}

}  // namespace EarTransition

}  // namespace corvane
