#pragma once
// URLs of the program's own scheme ("lunebox://quiet?on=1"), as the desktop
// hands them over from other programs. They come from outside, so the parser
// is strict: anything beyond scheme, host, an empty path and a query is
// refused rather than guessed at.

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

    struct QueryItem {
        std::string name;
        std::optional<std::string> value;  // none for "?flag", empty for "?flag="
        bool operator==(const QueryItem&) const = default;
    };

    std::string host;  // lower case
    std::vector<QueryItem> query;

    // Nothing for another scheme, a port, user info, a path, a malformed
    // percent escape, control characters or an oversized text.
    static std::optional<AppURL> parse(std::string_view text);

    // The value of the first item with this name, when it has one.
    std::optional<std::string> value(std::string_view name) const;

    bool operator==(const AppURL&) const = default;
};

}  // namespace corvane
