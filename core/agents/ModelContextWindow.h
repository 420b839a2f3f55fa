#pragma once
// How many tokens a model's context holds, for the session list's "how
// full" figure when a transcript names only its model: Claude Code writes
// the tokens it sent and the model, never the window, while Codex writes
// the window itself.

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

struct ModelContextWindow {
    static constexpr std::int64_t standard = 200'000;
    static constexpr std::int64_t extended = 1'000'000;

    // Claude models hold `standard` tokens, or `extended` when the name
    // carries the "[1m]" tag or the context already holds more than
    // `standard`. Nothing for any other model: a guess would mislead.
    static std::optional<std::int64_t> tokens(std::string_view model, std::optional<std::int64_t> used = std::nullopt);
};

}  // namespace corvane
