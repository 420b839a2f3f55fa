#pragma once
// The first members of a JSON object read straight from its bytes, so that
// a screen can settle most transcript lines by their type without a byte
// search through the rest. Only what the agents write is read: compact text
// and scalar values before the member wanted. Anything else gives no
// answer, and the line goes on to the byte search and the decoder, which
// see the same members in the same order.

#include <cstddef>
#include <optional>
#include <string_view>

namespace corvane {

struct JsonHeadString {
    std::string_view value;  // the string's bytes, without quotes
    std::size_t end = 0;     // where the member ends in the text, past the closing quote
};

// The value of the first member called `name` (compared as written, like
// the decoder compares names) of the object that opens at the start of
// `text`, when that value is a string without escapes and every member
// before it is a string, number, true, false or null written without white
// space; nothing otherwise.
std::optional<JsonHeadString> leadingString(std::string_view text, std::string_view name);

}  // namespace corvane
