#include "core/keepawake/KeepAwakeMode.h"

#include <cmath>
#include <limits>

#include "core/keepawake/Overloaded.h"

namespace corvane {

using nlohmann::json;

json KeepAwakeMode::toJson() const
{
    return std::visit(Overloaded{
        [](const Duration& duration) { return json{{"duration", {{"_0", duration.seconds}}}}; },
        [](const WhileProcess& process) {
            return json{{"whileProcess", {{"pid", process.pid}, {"name", process.name}}}};
        },
        [](const Indefinite&) { return json{{"indefinite", json::object()}}; },
        [](const WhileDevServers&) { return json{{"whileDevServers", json::object()}}; },
    }, value);
}

std::optional<KeepAwakeMode> KeepAwakeMode::fromJson(const json& document)
{
    if (!document.is_object() || document.size() != 1 || !document.begin().value().is_object())
        return std::nullopt;
    const std::string& name = document.begin().key();
    const json& payload = document.begin().value();
    if (name == "duration") {
        auto seconds = payload.find("_0");
        if (seconds == payload.end() || !seconds->is_number() || !std::isfinite(seconds->get<double>()))
            return std::nullopt;
        return duration(seconds->get<double>());
    }
    if (name == "whileProcess") {
        auto pid = payload.find("pid");
        auto processName = payload.find("name");
        if (pid == payload.end() || !pid->is_number_integer() || processName == payload.end()
            || !processName->is_string())
            return std::nullopt;
        auto number = pid->get<std::int64_t>();
        if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        return whileProcess(static_cast<std::int32_t>(number), processName->get<std::string>());
    }
    if (name == "indefinite")
        return indefinite();
    if (name == "whileDevServers")
        return whileDevServers();
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const KeepAwakeMode& mode)
{
    return out << mode.toJson().dump();
}

}  // namespace corvane
