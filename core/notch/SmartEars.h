#pragma once
// The timing rules that keep the ears calm: how long a new ear is safe from
// being replaced, which kinds show at once because the user caused them,
// and how long a confirmation stays.

#include <array>
#include <string_view>

#include "core/notch/EarContent.h"

namespace corvane {

namespace SmartEars {

// A newly shown ear is not replaced by an activity of equal or lower
// priority within this time.
inline constexpr double protectedFor = 5.0;
// The longest a newcomer waits behind a protected ear.
inline constexpr double maxWait = 5.0;
// Kinds that come from the user's own action and therefore show at once.
inline constexpr std::array<std::string_view, 2> userEventKinds{"clipboard.copied", "audio.outputSwitched"};

bool isUserEventKind(std::string_view kind);

// Seconds a confirmation stays: 2 for fewer than three words across both
// sides' texts, else 3.
double confirmation(const EarContent& left, const EarContent& right);

}  // namespace SmartEars

}  // namespace corvane
