#include "core/keepawake/ClosedLidClientRecord.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace corvane {

bool isSHA256Hex(std::string_view text)
{
    return text.size() == 64
        && std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string ClosedLidClientRecord::encoded() const
{
    return nlohmann::json{{"uid", uid}, {"appSHA256", appSHA256}}.dump();
}

std::optional<ClosedLidClientRecord> ClosedLidClientRecord::decode(std::string_view data)
{
    constexpr std::size_t cap = 1024;
    if (data.size() > cap)
        return std::nullopt;
    auto json = nlohmann::json::parse(data, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    auto uid = json.find("uid");
    auto hash = json.find("appSHA256");
    if (uid == json.end() || !uid->is_number_unsigned() || hash == json.end() || !hash->is_string())
        return std::nullopt;
    if (uid->get<std::uint64_t>() > UINT32_MAX || !isSHA256Hex(hash->get_ref<const std::string&>()))
        return std::nullopt;
    return ClosedLidClientRecord{static_cast<std::uint32_t>(uid->get<std::uint64_t>()), hash->get<std::string>()};
}

}  // namespace corvane
