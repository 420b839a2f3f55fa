#include "app/desktop/TimerFixture.h"

#include <charconv>
#include <cstdlib>

#include <fmt/format.h>

#include "app/desktop/AppEnvironment.h"
#include "core/base/Log.h"

namespace corvane::app::TimerFixture {

namespace {

const Logger logger("timers");

}  // namespace

std::optional<double> parse(std::string_view text)
{
    if (text.empty() || text.size() > 16 || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    double seconds = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || seconds > maxSeconds)
        return std::nullopt;
    return seconds;
}

void startFromEnvironment(AppEnvironment& environment)
{
    const char* value = std::getenv(variable);
    if (value == nullptr)
        return;
    auto seconds = parse(value);
    if (!seconds) {
        logger.warning("{} is not a number of seconds up to 3600", variable);
        return;
    }
    (void)environment.scheduler().schedule(*seconds, [&environment, seconds = *seconds] {
        AlertPost done;
        done.kind = "timers.done";
        done.title = "Timer done";
        done.body = fmt::format("{:g} s are up", seconds);
        (void)environment.pipeline().post("timers", done);
    });
}

}  // namespace corvane::app::TimerFixture
