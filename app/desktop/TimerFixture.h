#pragma once
// CORVANE_TIMER_FIXTURE, read in harness runs only: a timer of that many
// seconds (a plain decimal, 0 to 3600) that, when it ends, raises "Timer
// done" as the timers module does. Tests and people trying the notch by
// hand get a real event through the whole pipeline: the card, the inbox
// and "alerts.json".

#include <optional>
#include <string_view>

namespace corvane::app {

class AppEnvironment;

namespace TimerFixture {

inline constexpr const char* variable = "CORVANE_TIMER_FIXTURE";
inline constexpr double maxSeconds = 3600;

// Nothing for anything but a plain decimal within 0...maxSeconds.
std::optional<double> parse(std::string_view text);
// Starts the timer when the variable asks for one.
void startFromEnvironment(AppEnvironment& environment);

}  // namespace TimerFixture

}  // namespace corvane::app
