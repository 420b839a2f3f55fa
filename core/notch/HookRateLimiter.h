#pragma once
// Throttles events that arrive through the hooks installed into other
// tools: a busy agent can fire several hooks a second, and one noisy
// project must not drown out the others.

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/base/Time.h"

namespace corvane {

class HookRateLimiter {
public:
    static constexpr double global = 1.0;       // seconds between any two hook events
    static constexpr double perProject = 20.0;  // seconds between two events of one project
    static constexpr std::size_t capacity = 64;

    // True when an event of `project` may pass at `now`; a pass is remembered.
    bool allow(const std::string& project, WallTime now);

    std::size_t trackedProjects() const { return byProject_.size(); }

private:
    std::optional<WallTime> last_;
    std::unordered_map<std::string, WallTime> byProject_;
};

}  // namespace corvane
