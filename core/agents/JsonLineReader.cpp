#include "core/agents/JsonLineReader.h"

#include <algorithm>
#include <cstring>

namespace corvane {

static_assert(transcriptLinePadding >= simdjson::SIMDJSON_PADDING);

JsonLineReader::JsonLineReader() : parser_(maxTranscriptLineBytes) {}

std::optional<simdjson::ondemand::document> JsonLineReader::iterate(std::string_view line, Padding padding)
{
    if (line.size() > maxTranscriptLineBytes)
        return std::nullopt;
    if (padding == Padding::absent)
        return iterateJoined(line, {});
    simdjson::ondemand::document document;
    if (parser_.iterate(line.data(), line.size(), line.size() + transcriptLinePadding).get(document)
        != simdjson::SUCCESS)
        return std::nullopt;
    return document;
}

std::optional<simdjson::ondemand::document> JsonLineReader::iterateJoined(std::string_view head,
                                                                           std::string_view tail)
{
    std::size_t size = head.size() + tail.size();
    if (size > maxTranscriptLineBytes)
        return std::nullopt;
    if (copy_.size() < size + transcriptLinePadding)
        copy_.resize(size + transcriptLinePadding);
    if (!head.empty())
        std::memcpy(copy_.data(), head.data(), head.size());
    if (!tail.empty())
        std::memcpy(copy_.data() + head.size(), tail.data(), tail.size());
    // Followed by what follows a line in the tailer's buffer, so a
    // malformed line fares the same on both paths.
    std::memset(copy_.data() + size, '\n', transcriptLinePadding);
    joinedSize_ = size;
    simdjson::ondemand::document document;
    if (parser_.iterate(copy_.data(), size, size + transcriptLinePadding).get(document) != simdjson::SUCCESS)
        return std::nullopt;
    return document;
}

namespace json {

namespace {

// A present value of one type, nothing for null; any other type fails.
template <typename T, typename Get>
bool readOptional(value field, std::optional<T>& out, Get get)
{
    bool isNull = false;
    if (field.is_null().get(isNull) != simdjson::SUCCESS)
        return false;
    if (isNull) {
        out.reset();
        return true;
    }
    T found{};
    if (get(field).get(found) != simdjson::SUCCESS)
        return false;
    out = found;
    return true;
}

}  // namespace

bool optionalString(value field, std::optional<std::string_view>& out)
{
    return readOptional(field, out, [](value& v) { return v.get_string(); });
}

bool optionalInteger(value field, std::optional<std::int64_t>& out)
{
    return readOptional(field, out, [](value& v) { return v.get_int64(); });
}

bool optionalObject(value field, std::optional<object>& out)
{
    return readOptional(field, out, [](value& v) { return v.get_object(); });
}

std::optional<double> lenientNumber(value field)
{
    double number = 0;
    if (field.get_double().get(number) != simdjson::SUCCESS)
        return std::nullopt;
    return number;
}

std::optional<std::int64_t> lenientInteger(value field)
{
    std::int64_t number = 0;
    if (field.get_int64().get(number) != simdjson::SUCCESS)
        return std::nullopt;
    return number;
}

std::optional<object> lenientObject(value field)
{
    object found;
    if (field.get_object().get(found) != simdjson::SUCCESS)
        return std::nullopt;
    return found;
}

bool plainString(std::string_view value)
{
    return std::all_of(value.begin(), value.end(), [](char c) { return c >= ' ' && c <= '~' && c != '"' && c != '\\'; });
}

std::optional<std::string_view> plainStringIn(std::string_view token, std::string_view text)
{
    if (token.size() < 2 || token.front() != '"' || token.back() != '"' || token.data() < text.data()
        || token.data() + token.size() > text.data() + text.size())
        return std::nullopt;
    const std::string_view value = token.substr(1, token.size() - 2);
    if (!plainString(value))
        return std::nullopt;
    return value;
}

bool readToEnd(simdjson::ondemand::document& document)
{
    const char* location = nullptr;
    return document.current_location().get(location) == simdjson::OUT_OF_BOUNDS;
}

}  // namespace json

}  // namespace corvane
