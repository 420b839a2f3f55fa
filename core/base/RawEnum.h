#pragma once
// Enumerations whose cases persist as fixed strings ("card", "ears"). An
// enum opts in by specialising EnumCases with its cases in declaration
// order; the first entry is also its first case, which several settings use
// as their default.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace corvane {

template <typename E>
struct EnumCases;  // static constexpr std::array<std::pair<E, std::string_view>, N> cases;

template <typename E>
concept RawRepresentable = requires { EnumCases<E>::cases; };

template <RawRepresentable E>
constexpr std::string_view rawValue(E value)
{
    for (const auto& [candidate, raw] : EnumCases<E>::cases) {
        if (candidate == value)
            return raw;
    }
    return {};
}

template <RawRepresentable E>
constexpr std::optional<E> fromRawValue(std::string_view raw)
{
    for (const auto& [candidate, text] : EnumCases<E>::cases) {
        if (text == raw)
            return candidate;
    }
    return std::nullopt;
}

template <RawRepresentable E>
constexpr E firstCase()
{
    return EnumCases<E>::cases.front().first;
}

template <RawRepresentable E>
constexpr std::size_t caseCount()
{
    return EnumCases<E>::cases.size();
}

}  // namespace corvane
