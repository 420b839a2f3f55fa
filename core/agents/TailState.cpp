#include "core/agents/TailState.h"

#include <ostream>

namespace corvane {

namespace {

std::optional<std::uint64_t> unsignedField(const Json& json, const char* key)
{
    auto found = json.find(key);
    if (found == json.end() || !found->is_number_integer())
        return std::nullopt;
    if (found->is_number_unsigned())
        return found->get<std::uint64_t>();
    auto value = found->get<std::int64_t>();
    if (value < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

}  // namespace

Json TailState::toJson() const
{
    return Json{{"inode", inode}, {"offset", offset}, {"size", size}, {"skipping", skipping}};
}

std::optional<TailState> TailState::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto inode = unsignedField(json, "inode");
    auto offset = unsignedField(json, "offset");
    auto size = unsignedField(json, "size");
    auto skipping = json.find("skipping");
    if (!inode || !offset || !size || skipping == json.end() || !skipping->is_boolean())
        return std::nullopt;
    return TailState{*inode, *offset, *size, skipping->get<bool>()};
}

std::ostream& operator<<(std::ostream& out, const TailState& state) { return out << state.toJson().dump(); }

}  // namespace corvane
