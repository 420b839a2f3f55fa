#include "core/agents/ClaudeCodeParser.h"

#include <algorithm>
#include <cstring>
#include <span>
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
    // The raw token of the output count, which a later copy may raise, and
    // how many output counts the object holds.
    std::string_view outputToken;
    int outputCounts = 0;
};

using CopySpan = ClaudeCodeParser::BilledLine::Span;

struct RawLine {
    // The raw tokens of the strings a copy of the line may change, and
    // whether each is a time; more than the array holds make the line no
    // model for copies.
    std::array<std::pair<std::string_view, CopySpan::Kind>, 3> free;
    std::size_t freeCount = 0;
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
    // Keys are told apart by their first letter first, here and below: most
    // keys of a line are none of those read, and each comparison costs.
    bool read = json::forEachField(*object, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 'i':
            return !key.unsafe_is_equal("input_tokens") || json::optionalInteger(field, usage.input);
        case 'o':
            if (!key.unsafe_is_equal("output_tokens"))
                return true;
            usage.outputToken = field.raw_json_token();
            ++usage.outputCounts;
            return json::optionalInteger(field, usage.output);
        case 'c':
            if (key.unsafe_is_equal("cache_creation_input_tokens"))
                return json::optionalInteger(field, usage.cacheCreation);
            if (key.unsafe_is_equal("cache_read_input_tokens"))
                return json::optionalInteger(field, usage.cacheRead);
            return !key.unsafe_is_equal("cache_creation") || readCacheCreation(field, usage);
        default:
            return true;
        }
    });
    if (read)
        out = usage;
    return read;
}

bool readMessage(json::value value, RawLine& line)
{
    return json::forEachOptionalField(value, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 'i':
            return !key.unsafe_is_equal("id") || json::optionalString(field, line.messageId);
        case 'm':
            return !key.unsafe_is_equal("model") || json::optionalString(field, line.model);
        case 'u':
            return !key.unsafe_is_equal("usage") || readUsage(field, line.usage);
        default:
            return true;
        }
    });
}

std::optional<RawLine> readLine(simdjson::ondemand::document& document)
{
    RawLine line;
    auto noteFree = [&](json::value field, CopySpan::Kind kind) {
        if (line.freeCount < line.free.size())
            line.free[line.freeCount] = {field.raw_json_token(), kind};
        ++line.freeCount;
    };
    bool read = json::forEachRootField(document, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 'c':
            return !key.unsafe_is_equal("cwd") || json::optionalString(field, line.cwd);
        case 'm':
            return !key.unsafe_is_equal("message") || readMessage(field, line);
        case 'p':
            if (key.unsafe_is_equal("parentUuid"))
                noteFree(field, CopySpan::Kind::string);
            return true;
        case 's':
            return !key.unsafe_is_equal("sessionId") || json::optionalString(field, line.sessionId);
        case 't':
            if (key.unsafe_is_equal("type"))
                return json::optionalString(field, line.type);
            if (!key.unsafe_is_equal("timestamp"))
                return true;
            noteFree(field, CopySpan::Kind::time);
            return json::optionalString(field, line.timestamp);
        case 'u':
            if (key.unsafe_is_equal("uuid"))
                noteFree(field, CopySpan::Kind::string);
            return true;
        default:
            return true;
        }
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

// How far into a line its message's content opens, and how far before its
// end the content closes: the members before and after are a few hundred
// bytes. Lines that bill nothing, tool results and progress reports, often
// have arrays but no such closing; a search without bounds would run
// through all of their bytes.
constexpr std::size_t cutReach = 4096;

// A usage line is mostly its message's content blocks, which no count
// depends on. Cut at the first content array's opening and at the last
// array closing before "stop_reason", which follows the message's content:
// unescaped, neither can lie inside a string. When the two do not bracket
// the same array the joined text is unbalanced or loses the message, and
// the line is decoded whole. A balanced cut keeps the root's own members
// outside the cut, so a root type other than "assistant" settles the line.
std::optional<std::pair<std::string_view, std::string_view>> aroundContent(std::string_view line)
{
    static constexpr std::string_view openingText = "\"content\":[";
    static const ByteNeedles opening{openingText};
    static constexpr std::string_view closing = "],\"stop_reason\":";
    const std::size_t found = opening.findIn(line.substr(0, cutReach));
    if (found == std::string_view::npos)
        return std::nullopt;
    const std::size_t head = found + openingText.size();
    // From the end by bracket: few follow the content, and a search for the
    // whole closing text would compare at every byte.
    const char* end = line.data() + line.size();
    const char* from = std::max(line.data() + head - 1, end - std::min(line.size(), cutReach));
    for (const char* at = end; at > from;) {
        at = static_cast<const char*>(::memrchr(from, ']', static_cast<std::size_t>(at - from)));
        if (at == nullptr)
            break;
        if (static_cast<std::size_t>(end - at) >= closing.size() && std::memcmp(at, closing.data(), closing.size()) == 0)
            return std::pair{line.substr(0, head), line.substr(static_cast<std::size_t>(at - line.data()))};
    }
    return std::nullopt;
}

// A count as the decoder reads one: digits without a leading zero, few
// enough to fit.
std::optional<std::int64_t> plainCount(std::string_view digits)
{
    if (digits.empty() || digits.size() > 18 || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    std::int64_t count = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        count = count * 10 + (c - '0');
    }
    return count;
}

// Head and tail read as one text, as the decoder saw them.
struct Joined {
    std::string_view head;
    std::string_view tail;

    std::size_t size() const { return head.size() + tail.size(); }
    std::string_view slice(std::size_t at, std::size_t count) const
    {
        return at < head.size() ? head.substr(at, count) : tail.substr(at - head.size(), count);
    }
    // Whether the bytes from `from` to `to` of `other` are ours from
    // `shift` later; only the tail shifts.
    bool sameBytes(const Joined& other, std::size_t from, std::size_t to, std::ptrdiff_t shift) const
    {
        const std::size_t split = std::clamp(other.head.size(), from, to);
        const auto tailAt = [&](std::size_t at) { return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + shift); };
        return std::memcmp(head.data() + from, other.head.data() + from, split - from) == 0
               && std::memcmp(tail.data() + tailAt(split - head.size()), other.tail.data() + (split - head.size()),
                              to - split)
                      == 0;
    }
};

// How copies of a line billed from its joined head and tail repeat it. Its
// free values lie in the joined text, never across its two parts: the head
// ends in "[", the tail starts with "]". The output count may change only
// in the tail, where nothing but the tail moves when its digits do.
std::optional<ClaudeCodeParser::BilledLine> billedLine(std::pair<std::string_view, std::string_view> parts,
                                                       const RawLine& line, std::string_view joined)
{
    if (line.freeCount > line.free.size())
        return std::nullopt;
    ClaudeCodeParser::BilledLine billed{parts.first, parts.second};
    auto offset = [&](std::string_view value) { return static_cast<std::uint32_t>(value.data() - joined.data()); };
    for (std::size_t i = 0; i < line.freeCount; ++i) {
        const auto [token, kind] = line.free[i];
        const auto value = json::plainStringIn(token, joined);
        if (!value)
            return std::nullopt;
        billed.spans[billed.spanCount++] = {offset(*value), static_cast<std::uint32_t>(value->size()), kind};
    }
    const std::string_view output = line.usage->outputToken;
    const std::string_view joinedTail = joined.substr(parts.first.size());
    if (line.usage->outputCounts == 1 && output.data() >= joinedTail.data()
        && output.data() + output.size() <= joinedTail.data() + joinedTail.size() && plainCount(output))
        billed.spans[billed.spanCount++] = {offset(output), static_cast<std::uint32_t>(output.size()),
                                            CopySpan::Kind::outputCount};
    // In the order of the text; there are four at most.
    for (std::size_t i = 1; i < billed.spanCount; ++i) {
        for (std::size_t j = i; j > 0 && billed.spans[j].at < billed.spans[j - 1].at; --j)
            std::swap(billed.spans[j], billed.spans[j - 1]);
    }
    return billed;
}

bool parseLine(JsonLineReader& reader, std::string_view bytes, JsonLineReader::Padding padding,
               std::optional<std::string_view> fallbackProject, Screening screening, UsageRecord& out,
               std::optional<ClaudeCodeParser::BilledLine>& billed)
{
    billed.reset();
    if (screening == Screening::search && ClaudeCodeParser::needles().findIn(bytes) == std::string_view::npos)
        return false;
    if (auto parts = aroundContent(bytes)) {
        auto line = readDocument(reader.iterateJoined(parts->first, parts->second));
        if (line && line->type && *line->type != "assistant")
            return false;
        if (line && readRecord(*line, fallbackProject, out)) {
            billed = billedLine(*parts, *line, reader.joined());
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
    if (!parseLine(*reader_, line, JsonLineReader::Padding::absent, fallbackProject, Screening::search, record,
                   lastBilled_))
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
    return parseLine(*reader_, line.bytes, JsonLineReader::Padding::present, fallbackProject, screening, record,
                     lastBilled_);
}

std::optional<ClaudeCodeParser::Copy> ClaudeCodeParser::copyOf(const BilledLine& billed, std::string_view line)
{
    auto parts = aroundContent(line);
    if (!parts || parts->first.size() != billed.head.size())
        return std::nullopt;
    const std::ptrdiff_t grown =
        static_cast<std::ptrdiff_t>(parts->second.size()) - static_cast<std::ptrdiff_t>(billed.tail.size());
    // Only the digits of the output count may change the length.
    const auto spans = std::span(billed.spans).first(billed.spanCount);
    const auto output = std::ranges::find(spans, BilledLine::Span::Kind::outputCount, &BilledLine::Span::kind);
    if (grown != 0 && (output == spans.end() || static_cast<std::ptrdiff_t>(output->size) + grown < 1))
        return std::nullopt;
    const Joined was{billed.head, billed.tail};
    const Joined now{parts->first, parts->second};
    Copy copy;
    bool timed = false;
    std::size_t from = 0;
    std::ptrdiff_t shift = 0;
    for (const BilledLine::Span& span : spans) {
        if (!now.sameBytes(was, from, span.at, shift))
            return std::nullopt;
        const std::size_t at = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(span.at) + shift);
        if (span.kind == BilledLine::Span::Kind::outputCount) {
            const std::size_t size = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(span.size) + grown);
            copy.output = plainCount(now.slice(at, size));
            if (!copy.output)
                return std::nullopt;
            shift = grown;
        } else {
            const std::string_view value = now.slice(at, span.size);
            if (!json::plainString(value))
                return std::nullopt;
            // The last time is the line's; one that does not parse would
            // send the decoder on to the whole line.
            if (span.kind == BilledLine::Span::Kind::time) {
                auto time = parseTranscriptTimestamp(value);
                if (!time)
                    return std::nullopt;
                copy.timestamp = *time;
                timed = true;
            }
        }
        from = span.at + span.size;
    }
    if (!timed || !now.sameBytes(was, from, was.size(), shift))
        return std::nullopt;
    return copy;
}

bool ClaudeCodeParser::applyCopy(const Copy& copy, UsageRecord& record)
{
    record.timestamp = copy.timestamp;
    if (copy.output)
        record.usage.output = *copy.output;
    return isBillable(record.usage);
}

// Only assistant lines bill, and the type is the one thing the decoder
// checks anyway: the usage key alone keeps nearly every other line out.
const ByteNeedles& ClaudeCodeParser::needles()
{
    static const ByteNeedles usage{"\"usage\""};
    return usage;
}

}  // namespace corvane
