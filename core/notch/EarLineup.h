#pragma once
// Who owns the ears right now: the main activity on the left ear (and the
// right one when it is alone), and optionally a second activity of another
// module on the right ear.

#include <optional>

#include "core/notch/Activity.h"

namespace corvane {

struct EarLineup {
    std::optional<Activity> main{};
    std::optional<Activity> second{};

    // The activity under the pointer: the left ear belongs to `main`, the
    // right ear to `second` when there is one, else to `main`.
    const Activity* activity(double pointerX, double centerX) const
    {
        const std::optional<Activity>& owner = pointerX >= centerX && second ? second : main;
        return owner ? &*owner : nullptr;
    }

    bool operator==(const EarLineup&) const = default;
};

}  // namespace corvane
