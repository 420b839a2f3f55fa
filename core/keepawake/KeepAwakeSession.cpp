#include "core/keepawake/KeepAwakeSession.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/base/JsonStore.h"
#include "core/keepawake/Overloaded.h"

namespace corvane {

std::optional<double> KeepAwakeSession::remaining(WallTime now) const
{
    const auto* duration = mode.as<KeepAwakeMode::Duration>();
    if (duration == nullptr)
        return std::nullopt;
    double elapsed = now.secondsSince(startedAt);
    if (elapsed < 0)
        return std::max(0.0, duration->seconds);
    return std::max(0.0, duration->seconds - elapsed);
}

bool KeepAwakeSession::isExpired(WallTime now, const std::function<bool(std::int32_t pid)>& processAlive,
                                 bool devServersRunning) const
{
    return std::visit(Overloaded{
        [&](const KeepAwakeMode::Duration&) { return *remaining(now) <= 0; },
        [&](const KeepAwakeMode::WhileProcess& process) { return process.pid < 1 || !processAlive(process.pid); },
        [](const KeepAwakeMode::Indefinite&) { return false; },
        [&](const KeepAwakeMode::WhileDevServers&) { return !devServersRunning; },
    }, mode.value);
}

std::string KeepAwakeSession::earLabel(WallTime now) const
{
    return std::visit(Overloaded{
        [&](const KeepAwakeMode::Duration&) {
            auto seconds = static_cast<long>(std::ceil(*remaining(now)));
            if (seconds < 3600)
                return fmt::format("{:02}:{:02}", seconds / 60, seconds % 60);
            return fmt::format("{}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
        },
        [](const KeepAwakeMode::WhileProcess& process) { return process.name; },
        [](const KeepAwakeMode::Indefinite&) { return std::string("∞"); },
        [](const KeepAwakeMode::WhileDevServers&) { return std::string("dev"); },
    }, mode.value);
}

nlohmann::json KeepAwakeSession::toJson() const
{
    return {{"mode", mode.toJson()}, {"startedAt", corvane::toJson(startedAt)}};
}

std::optional<KeepAwakeSession> KeepAwakeSession::fromJson(const nlohmann::json& json)
{
    if (!json.is_object() || !json.contains("mode") || !json.contains("startedAt"))
        return std::nullopt;
    auto mode = KeepAwakeMode::fromJson(json.at("mode"));
    auto startedAt = wallTimeFromJson(json.at("startedAt"));
    if (!mode || !startedAt)
        return std::nullopt;
    return KeepAwakeSession{std::move(*mode), *startedAt};
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeSession& session)
{
    return out << "KeepAwakeSession{" << session.mode << " since " << iso8601(session.startedAt) << "}";
}

}  // namespace corvane
