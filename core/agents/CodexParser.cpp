#include "core/agents/CodexParser.h"

#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <ostream>
#include <utility>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "core/agents/ByteSearch.h"
#include "core/agents/Iso8601.h"
#include "core/agents/JsonHead.h"
#include "core/agents/JsonLineReader.h"
#include "core/agents/TranscriptPaths.h"

namespace corvane {

namespace {

using simdjson::ondemand::raw_json_string;

constexpr std::string_view limitsSource = "Codex session log";

// Bounds of plausible limit values; anything outside is dropped per field.
constexpr double earliestReset = 1'000'000'000;  // 2001, in seconds since 1970
constexpr double latestReset = 10'000'000'000;   // 2286
constexpr double maxResetDelay = 7'776'000;      // 90 days
constexpr std::int64_t maxWindowMinutes = 129'600;  // 90 days

using RawWindow = CodexParser::LimitsReading::Window;

struct RawTotals {
    std::optional<std::int64_t> input;
    std::optional<std::int64_t> cached;
    std::optional<std::int64_t> output;
    std::optional<std::int64_t> reasoning;
};

struct RawLine {
    std::optional<std::string_view> timestamp;
    std::string_view timeToken;  // raw, of the last "timestamp"
    int times = 0;
    // The first type of the line and of its payload count, as for the screen
    // that reads them from the bytes.
    bool typed = false;
    std::optional<std::string_view> type;
    bool payloadTyped = false;
    std::optional<std::string_view> payloadType;
    std::optional<std::string_view> id;
    std::optional<std::string_view> cwd;
    std::optional<std::string_view> model;
    std::optional<RawTotals> totals;
    CodexParser::LimitsReading limits;
};

std::optional<RawWindow> readWindow(json::value value)
{
    auto object = json::lenientObject(value);
    if (!object)
        return std::nullopt;
    RawWindow window;
    // Keys are told apart by their first letter first, here and below: the
    // comparisons are most of the cost of a line.
    bool read = json::forEachField(*object, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 'u':
            if (key.unsafe_is_equal("used_percent"))
                window.usedPercent = json::lenientNumber(field);
            break;
        case 'r':
            if (key.unsafe_is_equal("resets_at"))
                window.resetsAt = json::lenientNumber(field);
            else if (key.unsafe_is_equal("resets_in_seconds"))
                window.resetsInSeconds = json::lenientNumber(field);
            break;
        case 'w':
            if (key.unsafe_is_equal("window_minutes"))
                window.windowMinutes = json::lenientInteger(field);
            break;
        default:
            break;
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return window;
}

bool readRateLimits(json::value value, RawLine& line)
{
    auto object = json::lenientObject(value);
    if (!object)
        return true;
    line.limits.present = true;
    return json::forEachField(*object, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("primary"))
            line.limits.primary = readWindow(field);
        else if (key.unsafe_is_equal("secondary"))
            line.limits.secondary = readWindow(field);
        return true;
    });
}

bool readTotals(json::value value, RawLine& line)
{
    std::optional<json::object> object;
    if (!json::optionalObject(value, object))
        return false;
    if (!object)
        return true;
    RawTotals totals;
    bool read = json::forEachField(*object, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 'i':
            return !key.unsafe_is_equal("input_tokens") || json::optionalInteger(field, totals.input);
        case 'c':
            return !key.unsafe_is_equal("cached_input_tokens") || json::optionalInteger(field, totals.cached);
        case 'o':
            return !key.unsafe_is_equal("output_tokens") || json::optionalInteger(field, totals.output);
        case 'r':
            return !key.unsafe_is_equal("reasoning_output_tokens") || json::optionalInteger(field, totals.reasoning);
        default:
            return true;
        }
    });
    if (read)
        line.totals = totals;
    return read;
}

bool readInfo(json::value value, RawLine& line)
{
    return json::forEachOptionalField(value, [&](raw_json_string key, json::value field) {
        if (key.unsafe_is_equal("total_token_usage"))
            return readTotals(field, line);
        return true;
    });
}

bool readPayload(json::value value, RawLine& line)
{
    return json::forEachOptionalField(value, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 't':
            if (!key.unsafe_is_equal("type") || std::exchange(line.payloadTyped, true))
                return true;
            return json::optionalString(field, line.payloadType);
        case 'i':
            if (key.unsafe_is_equal("id"))
                return json::optionalString(field, line.id);
            return !key.unsafe_is_equal("info") || readInfo(field, line);
        case 'c':
            return !key.unsafe_is_equal("cwd") || json::optionalString(field, line.cwd);
        case 'm':
            return !key.unsafe_is_equal("model") || json::optionalString(field, line.model);
        case 'r':
            return !key.unsafe_is_equal("rate_limits") || readRateLimits(field, line);
        default:
            return true;
        }
    });
}

std::optional<RawLine> readLine(simdjson::ondemand::document& document)
{
    RawLine line;
    bool read = json::forEachRootField(document, [&](raw_json_string key, json::value field) {
        switch (key.raw()[0]) {
        case 't':
            if (key.unsafe_is_equal("timestamp")) {
                line.timeToken = field.raw_json_token();
                ++line.times;
                return json::optionalString(field, line.timestamp);
            }
            if (!key.unsafe_is_equal("type") || std::exchange(line.typed, true))
                return true;
            return json::optionalString(field, line.type);
        case 'p':
            return !key.unsafe_is_equal("payload") || readPayload(field, line);
        default:
            return true;
        }
    });
    if (!read)
        return std::nullopt;
    return line;
}

std::optional<CodexParser::StoredWindow> storedWindow(std::string_view id, const RawWindow& raw, WallTime lineTime)
{
    if (!raw.usedPercent || !std::isfinite(*raw.usedPercent) || *raw.usedPercent < 0 || *raw.usedPercent > 100)
        return std::nullopt;
    CodexParser::StoredWindow window{std::string(id), *raw.usedPercent, std::nullopt, std::nullopt};
    if (raw.resetsAt && std::isfinite(*raw.resetsAt) && *raw.resetsAt > earliestReset && *raw.resetsAt < latestReset)
        window.r = WallTime::fromUnixSeconds(*raw.resetsAt);
    else if (raw.resetsInSeconds && std::isfinite(*raw.resetsInSeconds) && *raw.resetsInSeconds >= 0
             && *raw.resetsInSeconds < maxResetDelay)
        window.r = lineTime.plusSeconds(*raw.resetsInSeconds);
    if (raw.windowMinutes && *raw.windowMinutes >= 1 && *raw.windowMinutes <= maxWindowMinutes)
        window.m = static_cast<int>(*raw.windowMinutes);
    return window;
}

// Nearly every token count carries limits: the stored list is refilled in
// place rather than rebuilt.
void applyLimits(const CodexParser::LimitsReading& limits, WallTime lineTime, CodexParser::State& state)
{
    if (!limits.present)
        return;
    std::array<std::optional<CodexParser::StoredWindow>, 2> windows;
    if (limits.primary)
        windows[0] = storedWindow("primary", *limits.primary, lineTime);
    if (limits.secondary)
        windows[1] = storedWindow("secondary", *limits.secondary, lineTime);
    if (!windows[0] && !windows[1])
        return;
    state.limits.clear();
    for (auto& window : windows) {
        if (window)
            state.limits.push_back(std::move(*window));
    }
    state.limitsAt = lineTime;
}

// The call's own tokens from two cumulative readings. Codex counts cached
// input inside input and reasoning inside output, so both are taken out.
std::optional<TokenUsage> applyTotals(const RawTotals& raw, CodexParser::State& state)
{
    auto count = [](const std::optional<std::int64_t>& value) { return value && *value > 0 ? *value : 0; };
    const CodexParser::Totals totals{count(raw.input), count(raw.cached), count(raw.output), count(raw.reasoning)};
    const CodexParser::Totals& last = state.last;
    const bool continues = totals.input >= last.input && totals.cached >= last.cached && totals.output >= last.output
                           && totals.reasoning >= last.reasoning;
    const CodexParser::Totals base = continues ? last : CodexParser::Totals{};
    state.last = totals;

    TokenUsage usage;
    usage.cacheRead = totals.cached - base.cached;
    usage.reasoning = totals.reasoning - base.reasoning;
    usage.input = std::max<std::int64_t>(0, (totals.input - base.input) - usage.cacheRead);
    usage.output = std::max<std::int64_t>(0, (totals.output - base.output) - usage.reasoning);
    std::int64_t sum = 0;
    for (std::int64_t part : {usage.input, usage.output, usage.cacheRead, usage.reasoning}) {
        if (__builtin_add_overflow(sum, part, &sum))
            return std::nullopt;
    }
    if (sum < 1)
        return std::nullopt;
    return usage;
}

// The line as a model for its copies, when it was decoded in place and its
// one time is a plain string.
std::optional<CodexParser::CountLine> countLine(std::string_view bytes, const RawLine& line)
{
    const auto time = line.times == 1 ? json::plainStringIn(line.timeToken, bytes) : std::nullopt;
    if (!time)
        return std::nullopt;
    return CodexParser::CountLine{bytes, static_cast<std::uint32_t>(time->data() - bytes.data()),
                                  static_cast<std::uint32_t>(time->size()), line.limits};
}

// Fills `out` reusing its strings' storage; false, with `out` in no
// particular state, when the line bills no call.
bool parseLine(JsonLineReader& reader, std::string_view bytes, JsonLineReader::Padding padding, CodexParser::State& state,
               bool& sessionMeta, std::optional<CodexParser::CountLine>& count, Screening screening, UsageRecord& out)
{
    sessionMeta = false;
    count.reset();
    if (screening == Screening::search && !CodexParser::screens(bytes))
        return false;
    auto document = reader.iterate(bytes, padding);
    if (!document)
        return false;
    auto line = readLine(*document);
    if (!line)
        return false;

    if (line->type == "session_meta") {
        sessionMeta = true;
        if (line->id)
            state.sessionID = std::string(*line->id);
        if (line->cwd)
            state.cwd = std::string(*line->cwd);
        return false;
    }
    if (line->type == "turn_context") {
        if (line->model)
            state.model = std::string(*line->model);
        if (line->cwd)
            state.cwd = std::string(*line->cwd);
        return false;
    }
    if (line->type != "event_msg" || line->payloadType != "token_count" || !line->timestamp)
        return false;
    auto timestamp = parseTranscriptTimestamp(*line->timestamp);
    if (!timestamp)
        return false;

    applyLimits(line->limits, *timestamp, state);
    count = countLine(bytes, *line);
    if (!line->totals)
        return false;
    auto usage = applyTotals(*line->totals, state);
    if (!usage)
        return false;

    const std::string_view sessionID = state.sessionID ? std::string_view(*state.sessionID) : "codex";
    out.id.clear();
    fmt::format_to(std::back_inserter(out.id), FMT_COMPILE("{}:{}:{}:{}"), sessionID, state.last.input,
                   state.last.output, state.last.reasoning);
    out.agent = AgentKind::codex;
    out.model.assign(state.model ? std::string_view(*state.model) : "codex");
    out.timestamp = *timestamp;
    out.sessionID.assign(sessionID);
    out.project = state.cwd ? lastPathComponent(*state.cwd) : std::nullopt;
    out.usage = *usage;
    return true;
}

std::optional<std::string> optionalStringFrom(const Json& json, const char* key)
{
    auto found = json.find(key);
    if (found == json.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

Json storedWindowJson(const CodexParser::StoredWindow& window)
{
    Json json = {{"id", window.id}, {"p", window.p}};
    if (window.r)
        json["r"] = window.r->unixSeconds();
    if (window.m)
        json["m"] = *window.m;
    return json;
}

std::optional<CodexParser::StoredWindow> storedWindowFromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto id = optionalStringFrom(json, "id");
    auto p = json.find("p");
    if (!id || p == json.end() || !p->is_number())
        return std::nullopt;
    CodexParser::StoredWindow window{std::move(*id), p->get<double>(), std::nullopt, std::nullopt};
    if (auto r = json.find("r"); r != json.end() && r->is_number())
        window.r = WallTime::fromUnixSeconds(r->get<double>());
    if (auto m = json.find("m"); m != json.end() && m->is_number_integer())
        window.m = m->get<int>();
    return window;
}

}  // namespace

std::string windowLabel(std::string_view id, std::optional<int> minutes)
{
    if (!minutes) {
        std::string label(id);
        if (!label.empty() && label[0] >= 'a' && label[0] <= 'z')
            label[0] = static_cast<char>(label[0] - 'a' + 'A');
        return label;
    }
    if (*minutes % 1440 == 0)
        return fmt::format("{} d", *minutes / 1440);
    if (*minutes % 60 == 0)
        return fmt::format("{} h", *minutes / 60);
    return fmt::format("{} min", *minutes);
}

std::optional<ProviderUsage> CodexParser::State::rateLimits(AIProviderID provider) const
{
    if (!limitsAt || limits.empty())
        return std::nullopt;
    ProviderUsage usage{provider, {}, std::nullopt, *limitsAt, std::nullopt};
    for (const StoredWindow& window : limits) {
        usage.windows.push_back(UsageWindow{window.id, windowLabel(window.id, window.m), window.p, window.r, window.m,
                                            std::string(limitsSource), *limitsAt});
    }
    return usage;
}

Json CodexParser::State::toJson() const
{
    Json json = Json::object();
    if (sessionID)
        json["sessionID"] = *sessionID;
    if (cwd)
        json["cwd"] = *cwd;
    if (model)
        json["model"] = *model;
    json["last"] = {{"input", last.input}, {"cached", last.cached}, {"output", last.output}, {"reasoning", last.reasoning}};
    Json windows = Json::array();
    for (const StoredWindow& window : limits)
        windows.push_back(storedWindowJson(window));
    json["limits"] = std::move(windows);
    if (limitsAt)
        json["limitsAt"] = corvane::toJson(*limitsAt);
    return json;
}

std::optional<CodexParser::State> CodexParser::State::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    State state;
    state.sessionID = optionalStringFrom(json, "sessionID");
    state.cwd = optionalStringFrom(json, "cwd");
    state.model = optionalStringFrom(json, "model");
    if (auto last = json.find("last"); last != json.end() && last->is_object()) {
        for (auto [key, member] : {std::pair{"input", &Totals::input}, std::pair{"cached", &Totals::cached},
                                   std::pair{"output", &Totals::output}, std::pair{"reasoning", &Totals::reasoning}}) {
            if (auto count = last->find(key); count != last->end() && count->is_number_integer())
                state.last.*member = count->get<std::int64_t>();
        }
    }
    if (auto limits = json.find("limits"); limits != json.end())
        state.limits = decodeLossy<StoredWindow>(*limits, storedWindowFromJson);
    if (auto limitsAt = json.find("limitsAt"); limitsAt != json.end())
        state.limitsAt = wallTimeFromJson(*limitsAt);
    return state;
}

CodexParser::CodexParser() : reader_(std::make_unique<JsonLineReader>()) {}
CodexParser::~CodexParser() = default;
CodexParser::CodexParser(CodexParser&&) noexcept = default;
CodexParser& CodexParser::operator=(CodexParser&&) noexcept = default;

std::optional<UsageRecord> CodexParser::parse(std::string_view line, State& state)
{
    UsageRecord record;
    if (!parseLine(*reader_, line, JsonLineReader::Padding::absent, state, sessionMeta_, lastCount_, Screening::search,
                   record))
        return std::nullopt;
    return record;
}

std::optional<UsageRecord> CodexParser::parse(PaddedLine line, State& state)
{
    UsageRecord record;
    if (!parseInto(line, state, Screening::search, record))
        return std::nullopt;
    return record;
}

bool CodexParser::parseInto(PaddedLine line, State& state, Screening screening, UsageRecord& record)
{
    return parseLine(*reader_, line.bytes, JsonLineReader::Padding::present, state, sessionMeta_, lastCount_, screening,
                     record);
}

bool CodexParser::readCopy(const CountLine& count, std::string_view line, State& state)
{
    const std::size_t end = count.timeAt + count.timeSize;
    if (line.size() != count.bytes.size() || std::memcmp(line.data(), count.bytes.data(), count.timeAt) != 0
        || std::memcmp(line.data() + end, count.bytes.data() + end, line.size() - end) != 0)
        return false;
    const std::string_view time = line.substr(count.timeAt, count.timeSize);
    if (!json::plainString(time))
        return false;
    // A time that does not parse leaves the line without effect.
    if (auto timestamp = parseTranscriptTimestamp(time))
        applyLimits(count.limits, *timestamp, state);
    return true;
}

// Codex writes a line's type right after its time, and a payload's type
// first in it: nearly every line is settled there, without a search
// through its bytes.
bool CodexParser::screens(std::string_view line)
{
    if (auto type = leadingString(line, "type")) {
        if (type->value == "session_meta" || type->value == "turn_context")
            return true;
        if (type->value != "event_msg")
            return false;
        static constexpr std::string_view payload = ",\"payload\":";
        const std::string_view rest = line.substr(type->end);
        if (rest.starts_with(payload)) {
            if (auto inner = leadingString(rest.substr(payload.size()), "type"))
                return inner->value == "token_count";
        }
    }
    return needles().findIn(line) != std::string_view::npos;
}

const ByteNeedles& CodexParser::needles()
{
    static const ByteNeedles types{"session_meta", "turn_context", "token_count"};
    return types;
}

std::ostream& operator<<(std::ostream& out, const CodexParser::StoredWindow& window)
{
    return out << storedWindowJson(window).dump();
}

std::ostream& operator<<(std::ostream& out, const CodexParser::State& state) { return out << state.toJson().dump(); }

}  // namespace corvane
