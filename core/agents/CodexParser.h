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
    // What a line must hold to be decoded at all.
    static const ByteNeedles& needles();
    // Whether the line last parsed opened a session: the only line that
    // names the checkout's branch.
    bool lastWasSessionMeta() const { return sessionMeta_; }

private:
    std::unique_ptr<JsonLineReader> reader_;
    bool sessionMeta_ = false;
};

// "Primary" without a length; else "7 d", "5 h" or "45 min".
std::string windowLabel(std::string_view id, std::optional<int> minutes);

std::ostream& operator<<(std::ostream& out, const CodexParser::StoredWindow& window);
std::ostream& operator<<(std::ostream& out, const CodexParser::State& state);

}  // namespace corvane
