#pragma once
// The cheap shape test every transcript line passes before a parser sees it:
// a JSON object starts with "{" and, ignoring trailing white space, ends
// with "}". Anything else (a torn write, a log line) is counted as skipped.

#include <string_view>

namespace corvane {

struct LineFilter {
    static constexpr bool accepts(std::string_view line)
    {
        if (line.empty() || line.front() != '{')
            return false;
        auto end = line.find_last_not_of(" \t\r\n");
        return end != std::string_view::npos && line[end] == '}';
    }
};

}  // namespace corvane
