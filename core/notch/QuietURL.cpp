#include "core/notch/QuietURL.h"

#include "core/notch/AppURL.h"

namespace corvane::QuietURL {

std::optional<bool> parse(std::string_view text)
{
    auto url = AppURL::parse(text);
    if (!url || url->host != host)
        return std::nullopt;
    auto on = url->value("on");
    if (on == "1")
        return true;
    if (on == "0")
        return false;
    return std::nullopt;
}

}  // namespace corvane::QuietURL
