#pragma once
// What Claude Code hands its statusline command, reduced to the plan
// windows and the context fill, and the small status file the helper
// keeps from it for the app.
//
// The status file mirrors the input's keys ("rate_limits", "five_hour",
// "used_percentage", "resets_at", "context_window") with times in seconds
// since 1970 as the input has them, plus "observed_at" per reading and
// the "account" it belongs to.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/agents/ProviderUsage.h"
#include "core/base/Time.h"

namespace corvane::ClaudeStatusline {

inline constexpr std::size_t maxStdin = 1'048'576;
inline constexpr std::size_t maxStatus = 4096;
inline constexpr std::string_view source = "Claude Code statusline";
// An unchanged reading is written again after this long, so the app sees it is still current.
inline constexpr double refreshAfter = 60;

// Claude's two plan windows, under the JSON keys both the statusline input
// and the usage endpoint use.
struct WindowKind {
    std::string_view jsonKey;
    std::string_view id;
    std::string_view label;
    int minutes;

    UsageWindow window(double percent, std::optional<WallTime> resetsAt, std::string_view source,
                       WallTime observedAt) const;
};

inline constexpr std::array<WindowKind, 2> windowKinds{
    WindowKind{"five_hour", "h5", "5 h", 300},
    WindowKind{"seven_day", "d7", "7 d", 10'080},
};

// The windows "h5" (5 h) and "d7" (7 d) and the context fill, from the
// statusline input or a status file. Nothing when the data is over
// `maxStdin` or not a JSON object. Readings without a time of their own
// are observed `now`.
std::optional<ProviderUsage> parse(std::string_view data, WallTime now);

// The status file's bytes for one statusline input; nothing when the input
// does not parse.
std::optional<std::string> normalize(std::string_view input, WallTime now);

// `data` with the readings it lacks taken from `previous`: windows whose
// reset has not passed, the context, the account.
std::string carryOver(std::string_view data, std::string_view previous, WallTime now);

// Same readings and account as `previous`, and `previous` recent enough
// that writing again would tell the app nothing.
bool isUnchanged(std::string_view data, std::string_view previous, WallTime now);

// "5h 42% · 7d 10% · ctx 35%".
std::string compactLine(const ProviderUsage& usage);

// The status file's bytes for a reading.
std::string encode(const ProviderUsage& usage);

}  // namespace corvane::ClaudeStatusline
