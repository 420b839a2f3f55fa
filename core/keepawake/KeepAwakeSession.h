#pragma once
// A manual keep-awake session: how it ends and when it started, with the
// arithmetic the ear and the expiry check need.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeMode.h"

namespace corvane {

struct KeepAwakeSession {
    KeepAwakeMode mode;
    WallTime startedAt = WallTime::fromUnixSeconds(0);

    // Seconds left of a timer, never below 0 and never above its duration
    // (a clock set back does not lengthen it); none for the other modes.
    std::optional<double> remaining(WallTime now) const;
    bool isExpired(WallTime now, const std::function<bool(std::int32_t pid)>& processAlive,
                   bool devServersRunning) const;
    // "59:59" or "1:00:00" for a timer (seconds rounded up), the process
    // name, "∞", or "dev".
    std::string earLabel(WallTime now) const;

    // {"mode":{…},"startedAt":<seconds since 2001>}
    nlohmann::json toJson() const;
    static std::optional<KeepAwakeSession> fromJson(const nlohmann::json& json);

    bool operator==(const KeepAwakeSession&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeSession& session);

}  // namespace corvane
