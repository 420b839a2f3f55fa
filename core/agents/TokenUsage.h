#pragma once
// Token counts of one model call, or of many added together. Signed so that
// a bad line's negative count can be seen and rejected rather than wrapping.

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "core/base/JsonStore.h"

namespace corvane {

struct TokenUsage {
    std::int64_t input = 0;
    std::int64_t output = 0;
    std::int64_t cacheWrite5m = 0;
    std::int64_t cacheWrite1h = 0;
    std::int64_t cacheRead = 0;
    std::int64_t reasoning = 0;

    constexpr std::int64_t total() const { return input + output + cacheWrite5m + cacheWrite1h + cacheRead + reasoning; }

    constexpr TokenUsage& operator+=(const TokenUsage& other)
    {
        input += other.input;
        output += other.output;
        cacheWrite5m += other.cacheWrite5m;
        cacheWrite1h += other.cacheWrite1h;
        cacheRead += other.cacheRead;
        reasoning += other.reasoning;
        return *this;
    }

    bool operator==(const TokenUsage&) const = default;

    Json toJson() const;
    // Absent counts read as 0; nothing when the value is not an object or a
    // count is not an integer.
    static std::optional<TokenUsage> fromJson(const Json& json);
};

std::ostream& operator<<(std::ostream& out, const TokenUsage& usage);

}  // namespace corvane
