#pragma once
// Hands each URL of the program's own scheme to the handler registered for
// its host ("quiet", "ear"). URLs arrive from other programs, so anything
// that does not parse strictly, or names a host nobody handles, is ignored
// with a log line rather than guessed at.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/notch/AppURL.h"

namespace corvane::app {

class UrlDispatcher {
public:
    // Gets the parsed URL and the text it came from.
    using Handler = std::function<void(const AppURL& url, std::string_view text)>;

    enum class Outcome { handled, notOurs, unknownHost };

    // A later handler for the same host replaces the earlier one.
    void setHandler(std::string host, Handler handler);
    Outcome dispatch(std::string_view text) const;

private:
    std::map<std::string, Handler, std::less<>> handlers_;
};

}  // namespace corvane::app
