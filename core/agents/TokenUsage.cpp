#include "core/agents/TokenUsage.h"

#include <array>
#include <ostream>
#include <string_view>
#include <utility>

namespace corvane {

namespace {

// Keys in stored order, each with its member.
constexpr std::array<std::pair<std::string_view, std::int64_t TokenUsage::*>, 6> fields{{
    {"input", &TokenUsage::input},
    {"output", &TokenUsage::output},
    {"cacheWrite5m", &TokenUsage::cacheWrite5m},
    {"cacheWrite1h", &TokenUsage::cacheWrite1h},
    {"cacheRead", &TokenUsage::cacheRead},
    {"reasoning", &TokenUsage::reasoning},
}};

}  // namespace

Json TokenUsage::toJson() const
{
    Json json = Json::object();
    for (const auto& [key, member] : fields)
        json[std::string(key)] = this->*member;
    return json;
}

std::optional<TokenUsage> TokenUsage::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    TokenUsage usage;
    for (const auto& [key, member] : fields) {
        auto found = json.find(key);
        if (found == json.end())
            continue;
        if (!found->is_number_integer())
            return std::nullopt;
        usage.*member = found->get<std::int64_t>();
    }
    return usage;
}

std::ostream& operator<<(std::ostream& out, const TokenUsage& usage) { return out << usage.toJson().dump(); }

}  // namespace corvane
