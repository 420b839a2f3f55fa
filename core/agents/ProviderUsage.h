#pragma once
// One reading of a provider's plan limits: its windows (five hours, seven
// days and so on), each with how much of it is used and when it resets.

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"

namespace corvane {

enum class AIProviderID { claudeCode, codex, gemini, cursor, copilot };

template <>
struct EnumCases<AIProviderID> {
    static constexpr std::array cases{
        std::pair{AIProviderID::claudeCode, std::string_view("claudeCode")},
        std::pair{AIProviderID::codex, std::string_view("codex")},
        std::pair{AIProviderID::gemini, std::string_view("gemini")},
        std::pair{AIProviderID::cursor, std::string_view("cursor")},
        std::pair{AIProviderID::copilot, std::string_view("copilot")},
    };
};

constexpr std::string_view title(AIProviderID provider)
{
    switch (provider) {
    case AIProviderID::claudeCode:
        return "Claude Code";
    case AIProviderID::codex:
        return "Codex";
    case AIProviderID::gemini:
        return "Gemini CLI";
    case AIProviderID::cursor:
        return "Cursor";
    case AIProviderID::copilot:
        return "GitHub Copilot";
    }
    return {};
}

// The Claude login a reading belongs to.
struct ClaudeAccount {
    static constexpr std::string_view thisMacLabel = "This computer's Claude login";
    static constexpr std::string_view otherLabel = "Other Claude account";

    std::string key;
    std::optional<std::string> label;
    bool operator==(const ClaudeAccount&) const = default;
};

// Whether a window's reading can be trusted now.
struct WindowFreshness {
    enum class Kind { stale, fresh, resetWaiting };
    Kind kind = Kind::fresh;
    WallTime asOf = WallTime::fromUnixSeconds(0);  // when stale: the reading's time

    static WindowFreshness stale(WallTime asOf) { return {Kind::stale, asOf}; }
    static WindowFreshness fresh() { return {}; }
    static WindowFreshness resetWaiting() { return {Kind::resetWaiting, WallTime::fromUnixSeconds(0)}; }
    bool isFresh() const { return kind == Kind::fresh; }
    bool operator==(const WindowFreshness&) const = default;
};

struct UsageWindow {
    std::string id;     // "h5", "d7", "primary"
    std::string label;  // "5 h", "7 d"
    double usedPercent = 0;  // 0...100
    std::optional<WallTime> resetsAt;
    std::optional<int> windowMinutes;
    std::string source;  // where the reading came from
    WallTime observedAt = WallTime::fromUnixSeconds(0);

    // A reading further ahead of the clock than this is not believed.
    static constexpr double futureTolerance = 120;

    // Past its reset the window waits for a new reading; otherwise older
    // than `staleAfter` seconds, or from the future, it is stale.
    WindowFreshness freshness(WallTime now, double staleAfter) const;
    bool operator==(const UsageWindow&) const = default;
};

struct ProviderUsage {
    AIProviderID provider = AIProviderID::claudeCode;
    std::vector<UsageWindow> windows;
    std::optional<double> contextPercent;  // how full the current conversation's context is
    WallTime observedAt = WallTime::fromUnixSeconds(0);
    std::optional<ClaudeAccount> account;

    // Without the windows whose reset time has passed.
    ProviderUsage current(WallTime now) const;
    // Only the fresh windows: the ones alerts and the ear may act on.
    ProviderUsage actionable(WallTime now, double staleAfter) const;
    bool operator==(const ProviderUsage&) const = default;
};

namespace LimitWindowText {

// "as of 14:05" for a stale reading, "Reset · waiting for new data" after a
// reset, nothing when fresh.
std::optional<std::string> status(const WindowFreshness& freshness, const Calendar& calendar);
// "5 h" as "5h", for one-line summaries.
std::string compactLabel(std::string_view label);
// "42%": whole percent, rounded.
std::string percent(double value);

}  // namespace LimitWindowText

std::ostream& operator<<(std::ostream& out, const WindowFreshness& freshness);
std::ostream& operator<<(std::ostream& out, const UsageWindow& window);
std::ostream& operator<<(std::ostream& out, const ProviderUsage& usage);

}  // namespace corvane
