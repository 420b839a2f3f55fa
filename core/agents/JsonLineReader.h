#pragma once
// The decoder behind both transcript parsers: one On-Demand parser and one
// padding buffer, reused for every line, so one reader belongs to one
// thread. Included only by the parsers' sources; nothing else sees simdjson.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <simdjson.h>

#include "core/agents/TranscriptLine.h"

namespace corvane {

class JsonLineReader {
public:
    enum class Padding { present, absent };

    JsonLineReader();

    // The line's document, or nothing when the line is too long or its first
    // bytes do not start a document. Later decoding errors surface on access.
    std::optional<simdjson::ondemand::document> iterate(std::string_view line, Padding padding);
    // The document of `head` followed by `tail`, copied together.
    std::optional<simdjson::ondemand::document> iterateJoined(std::string_view head, std::string_view tail);
    // The text the last `iterateJoined` decodes, where its tokens point.
    std::string_view joined() const { return {copy_.data(), joinedSize_}; }

private:
    simdjson::ondemand::parser parser_;
    std::vector<char> copy_;
    std::size_t joinedSize_ = 0;
};

namespace json {

using simdjson::ondemand::object;
using simdjson::ondemand::value;

// Field readers for a value that is present: JSON null reads as absent,
// a value of another type fails the line (false).
bool optionalString(value field, std::optional<std::string_view>& out);
bool optionalInteger(value field, std::optional<std::int64_t>& out);
// An object, or nothing for null; false for any other type.
bool optionalObject(value field, std::optional<object>& out);
// A number as a double, or nothing for any other type or a malformed number.
std::optional<double> lenientNumber(value field);
// A whole number, or nothing for any other type or a malformed number.
std::optional<std::int64_t> lenientInteger(value field);
// An object, or nothing for any other type.
std::optional<object> lenientObject(value field);

// A string's value of printable ASCII with no quote and no backslash: a line
// may hold another such value in its place and still decode to the same
// structure, whatever else the value holds.
bool plainString(std::string_view value);
// The plain value of a string's raw token (`value::raw_json_token`) that
// lies inside `text`, quotes excluded; nothing for any other token.
std::optional<std::string_view> plainStringIn(std::string_view token, std::string_view text);

// Whether the document was read to its last token. On-Demand does not
// validate what it skips, and a malformed line can close its root object
// early using bytes past the line's end; such a line is refused so the
// outcome never depends on the padding.
bool readToEnd(simdjson::ondemand::document& document);

// Reads the fields of an object in one forward pass, whatever their order.
// `visit(key, value)` returns false to fail the line.
template <typename Visit>
bool forEachField(object object, Visit visit)
{
    for (auto field : object) {
        simdjson::ondemand::raw_json_string key;
        if (field.key().get(key) != simdjson::SUCCESS)
            return false;
        value fieldValue;
        if (field.value().get(fieldValue) != simdjson::SUCCESS)
            return false;
        if (!visit(key, fieldValue))
            return false;
    }
    return true;
}

// The fields of a line's root object, which must then be read to its end.
template <typename Visit>
bool forEachRootField(simdjson::ondemand::document& document, Visit visit)
{
    object root;
    if (document.get_object().get(root) != simdjson::SUCCESS)
        return false;
    return forEachField(root, visit) && readToEnd(document);
}

// The same for a field that may be null or absent: nothing to visit then.
template <typename Visit>
bool forEachOptionalField(value field, Visit visit)
{
    std::optional<object> found;
    if (!optionalObject(field, found))
        return false;
    return !found || forEachField(*found, visit);
}

}  // namespace json

}  // namespace corvane
