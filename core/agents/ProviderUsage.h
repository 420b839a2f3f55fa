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
    std::string key;
    std::optional<std::string> label;
    bool operator==(const ClaudeAccount&) const = default;
};

struct UsageWindow {
    std::string id;     // "h5", "d7", "primary"
    std::string label;  // "5 h", "7 d"
    double usedPercent = 0;  // 0...100
    std::optional<WallTime> resetsAt;
    std::optional<int> windowMinutes;
    std::string source;  // where the reading came from
    WallTime observedAt = WallTime::fromUnixSeconds(0);
    bool operator==(const UsageWindow&) const = default;
};

struct ProviderUsage {
    AIProviderID provider = AIProviderID::claudeCode;
    std::vector<UsageWindow> windows;
    std::optional<double> contextPercent;  // how full the current conversation's context is
    WallTime observedAt = WallTime::fromUnixSeconds(0);
    std::optional<ClaudeAccount> account;
    bool operator==(const ProviderUsage&) const = default;
};

std::ostream& operator<<(std::ostream& out, const UsageWindow& window);
std::ostream& operator<<(std::ostream& out, const ProviderUsage& usage);

}  // namespace corvane
