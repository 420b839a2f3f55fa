#pragma once
// Turns Codex transcript lines into usage records and plan-limit readings.
// Codex reports cumulative token totals, so each line is read against what
// the file said before: the `State`, kept per transcript and persisted.
// Holds a decoder with reusable buffers: one parser per thread.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/ByteSearch.h"
#include "core/agents/ProviderUsage.h"
#include "core/agents/TranscriptLine.h"
#include "core/agents/UsageRecord.h"
#include "core/base/JsonStore.h"
#include "core/base/Time.h"

namespace corvane {

class JsonLineReader;

class CodexParser {
public:
    // Cumulative counters as last reported.
    struct Totals {
        std::int64_t input = 0;
        std::int64_t cached = 0;
        std::int64_t output = 0;
        std::int64_t reasoning = 0;
        bool operator==(const Totals&) const = default;
    };

    // One plan-limit window in the compact stored form; members are named
    // after their JSON keys.
    struct StoredWindow {
        std::string id;                // "primary" or "secondary"
        double p = 0;                  // used percent
        std::optional<WallTime> r;     // reset time, stored as seconds since 1970
        std::optional<int> m;          // window length in minutes
        bool operator==(const StoredWindow&) const = default;
    };

    // What one transcript has said so far.
    struct State {
        std::optional<std::string> sessionID;
        std::optional<std::string> cwd;
        std::optional<std::string> model;
        Totals last;
        std::vector<StoredWindow> limits;
        std::optional<WallTime> limitsAt;  // time of the line that carried the limits
        bool operator==(const State&) const = default;

        // The stored windows as a provider's plan limits; nothing before
        // any line carried limits.
        std::optional<ProviderUsage> rateLimits(AIProviderID provider) const;

        Json toJson() const;
        // Nothing when the value is not an object; windows that do not
        // decode are dropped one by one.
        static std::optional<State> fromJson(const Json& json);
    };

    CodexParser();
    ~CodexParser();
    CodexParser(CodexParser&&) noexcept;
    CodexParser& operator=(CodexParser&&) noexcept;

    std::optional<UsageRecord> parse(std::string_view line, State& state);
    std::optional<UsageRecord> parse(PaddedLine line, State& state);
    // The same into a record whose strings keep their storage from call to
    // call; false, leaving the record in no particular state, when the line
    // bills nothing.
    bool parseInto(PaddedLine line, State& state, Screening screening, UsageRecord& record);
    // Whether a line is worth decoding: false only for lines that can
    // neither bill nor change the state. A line whose types do not settle
    // it must hold one of the needles.
    static bool screens(std::string_view line);
    static const ByteNeedles& needles();
    // Whether the line last parsed opened a session: the only line that
    // names the checkout's branch.
    bool lastWasSessionMeta() const { return sessionMeta_; }

    // The rate limits of a count line as written; values of the wrong type
    // read as absent.
    struct LimitsReading {
        struct Window {
            std::optional<double> usedPercent;
            std::optional<double> resetsAt;
            std::optional<double> resetsInSeconds;
            std::optional<std::int64_t> windowMinutes;
        };
        bool present = false;
        std::optional<Window> primary;
        std::optional<Window> secondary;
    };
    // A token count line as the copy Codex writes of most counts repeats it:
    // the same bytes but for the time. Viewed in place: the caller keeps the
    // line's bytes while it asks about copies.
    struct CountLine {
        std::string_view bytes;
        std::uint32_t timeAt = 0;  // the time's string, quotes excluded
        std::uint32_t timeSize = 0;
        LimitsReading limits;
    };
    // The line the last parse read, when it was a token count with a time
    // that parses, decoded in place, with a single plain time; nothing
    // otherwise.
    const std::optional<CountLine>& lastCount() const { return lastCount_; }
    // Whether `line` repeats `count` byte for byte but for a plain time
    // (printable ASCII, no quote or backslash); then its effect is applied
    // without decoding it. Read right after `count`, such a copy bills
    // nothing, since its totals are those `count` left in the state: it only
    // moves the limits to its own time.
    static bool readCopy(const CountLine& count, std::string_view line, State& state);

private:
    std::unique_ptr<JsonLineReader> reader_;
    bool sessionMeta_ = false;
    std::optional<CountLine> lastCount_;
};

// "Primary" without a length; else "7 d", "5 h" or "45 min".
std::string windowLabel(std::string_view id, std::optional<int> minutes);

std::ostream& operator<<(std::ostream& out, const CodexParser::StoredWindow& window);
std::ostream& operator<<(std::ostream& out, const CodexParser::State& state);

}  // namespace corvane
