#pragma once
// What counts as work that keeps the machine awake: a rule names a process
// (or a phrase of a command line) and the CPU it must use; a workload is
// one running process that matched a rule.

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"

namespace corvane {

enum class WorkloadKind { agent, build, custom };

template <>
struct EnumCases<WorkloadKind> {
    static constexpr std::array cases{
        std::pair{WorkloadKind::agent, std::string_view("agent")},
        std::pair{WorkloadKind::build, std::string_view("build")},
        std::pair{WorkloadKind::custom, std::string_view("custom")},
    };
};

struct WorkloadRule {
    static constexpr std::size_t maxMatchLength = 100;

    WorkloadKind kind = WorkloadKind::custom;
    std::string match;   // a process name, or a phrase of the command line when it holds a space
    double minCPU = 0;   // percent of one core; 0 or less: no threshold

    // Non-empty after trimming, at most 100 characters, no control characters.
    static bool isValid(std::string_view match);

    // {"kind":"build","match":"cargo","minCPU":5}
    nlohmann::json toJson() const;
    static std::optional<WorkloadRule> fromJson(const nlohmann::json& json);
    // The user's rules as stored: a list decoded entry by entry.
    static std::vector<WorkloadRule> listFromJson(const nlohmann::json& json);
    static nlohmann::json listToJson(const std::vector<WorkloadRule>& rules);

    bool operator==(const WorkloadRule&) const = default;
};

struct Workload {
    std::int32_t pid = 0;
    std::string label;  // the matching rule's `match` as written
    WorkloadKind kind = WorkloadKind::custom;
    std::optional<std::string> cwd;
    std::optional<WallTime> started;

    bool operator==(const Workload&) const = default;
};

std::ostream& operator<<(std::ostream& out, const WorkloadRule& rule);
std::ostream& operator<<(std::ostream& out, const Workload& workload);

}  // namespace corvane
