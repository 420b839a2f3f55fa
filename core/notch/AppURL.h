#pragma once
// URLs of the program's own scheme ("lunebox://quiet?on=1"), as the desktop
// hands them over from other programs. They come from outside, so the parser
// is strict: anything beyond scheme, host, a query and, for the hosts that
// take one, a single plain path segment ("lunebox://ear/clear") is refused
// rather than guessed at.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

struct AppURL {
    static constexpr std::string_view scheme = "lunebox";
    static constexpr std::size_t maxLength = 4096;
    // Hosts whose URLs may carry a path segment.
    static constexpr std::array<std::string_view, 1> hostsWithPath{"ear"};
    static constexpr std::size_t maxPathLength = 64;

    struct QueryItem {
        std::string name;
        std::optional<std::string> value;  // none for "?flag", empty for "?flag="
        bool operator==(const QueryItem&) const = default;
    };

    std::string host;  // lower case
    std::string path;  // "/clear"; empty for none or a lone "/"
    std::vector<QueryItem> query;

    // Nothing for another scheme, a port, user info, a path (beyond one
    // segment of letters, digits, "-" and "_" for the hosts that take one),
    // a malformed percent escape, control characters or an oversized text.
    static std::optional<AppURL> parse(std::string_view text);

    // The value of the first item with this name, when it has one.
    std::optional<std::string> value(std::string_view name) const;

    bool operator==(const AppURL&) const = default;
};

}  // namespace corvane
