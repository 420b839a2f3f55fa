#include "core/agents/ClaudeCodeParser.h"

#include <cstring>
#include <utility>

#include "core/agents/ByteSearch.h"
#include "core/agents/Iso8601.h"
#include "core/agents/JsonLineReader.h"
#include "core/agents/TranscriptPaths.h"

namespace corvane {

namespace {

using simdjson::ondemand::raw_json_string;

// The counts of `message.usage` as written; absent ones stay empty.
struct RawUsage {
    std::optional<std::int64_t> input;
    std::optional<std::int64_t> output;
    std::optional<std::int64_t> cacheCreation;
    std::optional<std::int64_t> cacheRead;
    bool hasCacheCreationDetail = false;
    std::optional<std::int64_t> ephemeral5m;
    std::optional<std::int64_t> ephemeral1h;
};

struct RawLine {
    std::optional<std::string_view> type;
    std::optional<std::string_view> sessionId;
    std::optional<std::string_view> cwd;
    std::optional<std::string_view> timestamp;
    std::optional<std::string_view> messageId;
    std::optional<std::string_view> model;
    std::optional<RawUsage> usage;
};

bool readCacheCreation(json::value value, RawUsage& usage)
{
    std::optional<json::object> object;
    if (!json::optionalObject(value, object))
        return false;
    if (!object)
        return true;
    usage.hasCacheCreationDetail = true;
    return json::forEachField(*object, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("ephemeral_5m_input_tokens"))
            return json::optionalInteger(field, usage.ephemeral5m);
        if (key.unsafe_is_equal("ephemeral_1h_input_tokens"))
            return json::optionalInteger(field, usage.ephemeral1h);
        return true;
    });
}

bool readUsage(json::value value, std::optional<RawUsage>& out)
{
    std::optional<json::object> object;
    if (!json::optionalObject(value, object))
        return false;
    if (!object) {
        out.reset();
        return true;
    }
    RawUsage usage;
    bool read = json::forEachField(*object, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("input_tokens"))
            return json::optionalInteger(field, usage.input);
        if (key.unsafe_is_equal("output_tokens"))
            return json::optionalInteger(field, usage.output);
        if (key.unsafe_is_equal("cache_creation_input_tokens"))
            return json::optionalInteger(field, usage.cacheCreation);
        if (key.unsafe_is_equal("cache_read_input_tokens"))
            return json::optionalInteger(field, usage.cacheRead);
        if (key.unsafe_is_equal("cache_creation"))
            return readCacheCreation(field, usage);
        return true;
    });
    if (read)
        out = usage;
    return read;
}

bool readMessage(json::value value, RawLine& line)
{
    return json::forEachOptionalField(value, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("id"))
            return json::optionalString(field, line.messageId);
        if (key.unsafe_is_equal("model"))
            return json::optionalString(field, line.model);
        if (key.unsafe_is_equal("usage"))
            return readUsage(field, line.usage);
        return true;
    });
}

std::optional<RawLine> readLine(simdjson::ondemand::document& document)
{
    RawLine line;
    bool read = json::forEachRootField(document, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("type"))
            return json::optionalString(field, line.type);
        if (key.unsafe_is_equal("sessionId"))
            return json::optionalString(field, line.sessionId);
        if (key.unsafe_is_equal("cwd"))
            return json::optionalString(field, line.cwd);
        if (key.unsafe_is_equal("timestamp"))
            return json::optionalString(field, line.timestamp);
        if (key.unsafe_is_equal("message"))
            return readMessage(field, line);
        return true;
    });
    if (!read)
        return std::nullopt;
    return line;
}

// The six counts under the cache-write rules: the ephemeral split wins when
// the line has one; the old single count means five-minute writes.
TokenUsage tokenUsage(const RawUsage& raw)
{
    TokenUsage usage;
    usage.input = raw.input.value_or(0);
    usage.output = raw.output.value_or(0);
    usage.cacheRead = raw.cacheRead.value_or(0);
    if (raw.hasCacheCreationDetail) {
        usage.cacheWrite1h = raw.ephemeral1h.value_or(0);
        if (raw.ephemeral5m)
            usage.cacheWrite5m = *raw.ephemeral5m;
        else if (!raw.ephemeral1h)
            usage.cacheWrite5m = raw.cacheCreation.value_or(0);
    } else {
        usage.cacheWrite5m = raw.cacheCreation.value_or(0);
    }
    return usage;
}

// No negative count, and at least one token in all; checked without
// overflowing on absurd counts.
bool isBillable(const TokenUsage& usage)
{
    std::int64_t total = 0;
    for (std::int64_t count : {usage.input, usage.output, usage.cacheWrite5m, usage.cacheWrite1h, usage.cacheRead,
                               usage.reasoning}) {
        if (count < 0 || __builtin_add_overflow(total, count, &total))
            return false;
    }
    return total >= 1;
}

// Fills `out` from a read line, reusing its strings' storage; false when
// the line bills no call.
bool readRecord(const RawLine& line, std::optional<std::string_view> fallbackProject, UsageRecord& out)
{
    if (line.type != "assistant" || !line.messageId || !line.model || !line.usage || !line.timestamp)
        return false;
    auto timestamp = parseTranscriptTimestamp(*line.timestamp);
    if (!timestamp)
        return false;
    TokenUsage usage = tokenUsage(*line.usage);
    if (!isBillable(usage))
        return false;

    out.id.assign(*line.messageId);
    out.agent = AgentKind::claudeCode;
    out.model.assign(*line.model);
    out.timestamp = *timestamp;
    out.sessionID.assign(line.sessionId.value_or("unknown"));
    if (line.cwd)
        out.project = lastPathComponent(*line.cwd);
    else if (fallbackProject)
        out.project = std::string(*fallbackProject);
    else
        out.project.reset();
    out.usage = usage;
    return true;
}

std::optional<RawLine> readDocument(std::optional<simdjson::ondemand::document> document)
{
    return document ? readLine(*document) : std::nullopt;
}

// Below this a line decodes whole as fast as it can be cut.
constexpr std::size_t cutContentFrom = 2048;

// A long line is mostly its message's content blocks, which no count
// depends on. Cut at the first content array's opening and at the last
// array closing before "stop_reason", which follows the message's content:
// unescaped, neither can lie inside a string. When the two do not bracket
// the same array the joined text is unbalanced or loses the message, and
// the line is decoded whole. A balanced cut keeps the root's own members
// outside the cut, so a root type other than "assistant" settles the line.
std::optional<std::pair<std::string_view, std::string_view>> aroundContent(std::string_view line)
{
    static constexpr std::string_view opening = "\"content\":[";
    static constexpr std::string_view closing = "],\"stop_reason\":";
    const void* found = ::memmem(line.data(), line.size(), opening.data(), opening.size());
    if (!found)
        return std::nullopt;
    std::size_t head = static_cast<std::size_t>(static_cast<const char*>(found) - line.data()) + opening.size();
    std::size_t tail = line.rfind(closing);
    if (tail == std::string_view::npos || tail < head)
        return std::nullopt;
    return std::pair{line.substr(0, head), line.substr(tail)};
}

bool parseLine(JsonLineReader& reader, std::string_view bytes, JsonLineReader::Padding padding,
               std::optional<std::string_view> fallbackProject, Screening screening, UsageRecord& out)
{
    if (screening == Screening::search && ClaudeCodeParser::needles().findIn(bytes) == std::string_view::npos)
        return false;
    if (bytes.size() >= cutContentFrom) {
        if (auto parts = aroundContent(bytes)) {
            auto line = readDocument(reader.iterateJoined(parts->first, parts->second));
            if (line && line->type && *line->type != "assistant")
                return false;
            if (line && readRecord(*line, fallbackProject, out))
                return true;
        }
    }
    auto line = readDocument(reader.iterate(bytes, padding));
    return line && readRecord(*line, fallbackProject, out);
}

}  // namespace

ClaudeCodeParser::ClaudeCodeParser() : reader_(std::make_unique<JsonLineReader>()) {}
ClaudeCodeParser::~ClaudeCodeParser() = default;
ClaudeCodeParser::ClaudeCodeParser(ClaudeCodeParser&&) noexcept = default;
ClaudeCodeParser& ClaudeCodeParser::operator=(ClaudeCodeParser&&) noexcept = default;

std::optional<UsageRecord> ClaudeCodeParser::parse(std::string_view line, std::optional<std::string_view> fallbackProject)
{
    UsageRecord record;
    if (!parseLine(*reader_, line, JsonLineReader::Padding::absent, fallbackProject, Screening::search, record))
        return std::nullopt;
    return record;
}

std::optional<UsageRecord> ClaudeCodeParser::parse(PaddedLine line, std::optional<std::string_view> fallbackProject)
{
    UsageRecord record;
    if (!parseInto(line, fallbackProject, Screening::search, record))
        return std::nullopt;
    return record;
}

bool ClaudeCodeParser::parseInto(PaddedLine line, std::optional<std::string_view> fallbackProject, Screening screening,
                                 UsageRecord& record)
{
    return parseLine(*reader_, line.bytes, JsonLineReader::Padding::present, fallbackProject, screening, record);
}

// Only assistant lines bill, and the type is the one thing the decoder
// checks anyway: the usage key alone keeps nearly every other line out.
const ByteNeedles& ClaudeCodeParser::needles()
{
    static const ByteNeedles usage{"\"usage\""};
    return usage;
}

}  // namespace corvane
