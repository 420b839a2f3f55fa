#include "core/notch/DefaultsDomain.h"

namespace corvane {

std::optional<std::string> DefaultsDomain::data(const std::string& key)
{
    auto stored = value(key);
    if (!stored)
        return std::nullopt;
    if (const auto* entry = std::get_if<Data>(&*stored))
        return entry->bytes;
    return std::nullopt;
}

std::optional<Json> DefaultsDomain::plain(const std::string& key)
{
    auto stored = value(key);
    if (!stored)
        return std::nullopt;
    if (const auto* entry = std::get_if<Plain>(&*stored))
        return entry->value;
    return std::nullopt;
}

bool DefaultsDomain::plainFlag(const std::string& key)
{
    auto stored = plain(key);
    return stored && stored->is_boolean() && stored->get<bool>();
}

Result<void> DefaultsDomain::setData(const std::string& key, std::string bytes)
{
    return apply({Change{key, Value{Data{std::move(bytes)}}}});
}

Result<void> DefaultsDomain::setPlain(const std::string& key, Json value)
{
    return apply({Change{key, Value{Plain{std::move(value)}}}});
}

Result<void> DefaultsDomain::remove(const std::string& key) { return apply({Change{key, std::nullopt}}); }

Result<void> DefaultsDomain::remove(const std::vector<std::string>& keys)
{
    if (keys.empty())
        return {};
    std::vector<Change> changes;
    changes.reserve(keys.size());
    for (const auto& key : keys)
        changes.push_back(Change{key, std::nullopt});
    return apply(changes);
}

void DefaultsDomain::reportExternalChanges(const std::vector<std::string>& keys) const
{
    if (externalChangeHandler_ && !keys.empty())
        externalChangeHandler_(keys);
}

std::optional<DefaultsDomain::Value> MemoryDefaultsDomain::value(const std::string& key)
{
    auto found = entries_.find(key);
    if (found == entries_.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> MemoryDefaultsDomain::keys()
{
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const auto& [key, value] : entries_)
        out.push_back(key);
    return out;
}

Result<void> MemoryDefaultsDomain::apply(const std::vector<Change>& changes)
{
    for (const auto& change : changes) {
        if (change.value)
            entries_.insert_or_assign(change.key, *change.value);
        else
            entries_.erase(change.key);
    }
    ++writeCount_;
    return {};
}

}  // namespace corvane
