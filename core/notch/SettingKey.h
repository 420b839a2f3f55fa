#pragma once
// A typed setting: a dotted name, a default, and the JSON codec of its value
// type. A stored value is the compact JSON text of the value, kept under
// "corvane." + name; bytes that do not decode as the key's type read as the
// default.

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/RawEnum.h"

namespace corvane {

using Json = nlohmann::json;

inline constexpr std::string_view settingsPrefix = "corvane.";

// Converts a value type to and from JSON. Specialise it for a record type to
// make it a setting; decode gives nothing for JSON of another shape.
template <typename T>
struct SettingCodec;

template <typename T>
concept SettingValue = requires(const T& value, const Json& json) {
    { SettingCodec<T>::encode(value) } -> std::same_as<std::optional<Json>>;
    { SettingCodec<T>::decode(json) } -> std::same_as<std::optional<T>>;
};

template <>
struct SettingCodec<bool> {
    static std::optional<Json> encode(bool value) { return Json(value); }
    static std::optional<bool> decode(const Json& json)
    {
        if (!json.is_boolean())
            return std::nullopt;
        return json.get<bool>();
    }
};

template <>
struct SettingCodec<int> {
    static std::optional<Json> encode(int value) { return Json(value); }
    static std::optional<int> decode(const Json& json)
    {
        if (json.is_number_unsigned()) {
            auto value = json.get<std::uint64_t>();
            if (value > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
                return std::nullopt;
            return static_cast<int>(value);
        }
        if (json.is_number_integer()) {
            auto value = json.get<std::int64_t>();
            if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
                return std::nullopt;
            return static_cast<int>(value);
        }
        if (json.is_number_float()) {
            // A whole number written with a fraction ("150.0") is still that number.
            double value = json.get<double>();
            if (value != std::floor(value) || value < std::numeric_limits<int>::min()
                || value > std::numeric_limits<int>::max())
                return std::nullopt;
            return static_cast<int>(value);
        }
        return std::nullopt;
    }
};

template <>
struct SettingCodec<double> {
    static std::optional<Json> encode(double value)
    {
        if (!std::isfinite(value))
            return std::nullopt;  // JSON has no infinity or NaN
        return Json(value);
    }
    static std::optional<double> decode(const Json& json)
    {
        if (!json.is_number())
            return std::nullopt;
        return json.get<double>();
    }
};

template <>
struct SettingCodec<std::string> {
    static std::optional<Json> encode(const std::string& value) { return Json(value); }
    static std::optional<std::string> decode(const Json& json)
    {
        if (!json.is_string())
            return std::nullopt;
        return json.get<std::string>();
    }
};

// Any JSON: for records whose owners decode them tolerantly, entry by entry.
template <>
struct SettingCodec<Json> {
    static std::optional<Json> encode(const Json& value) { return value; }
    static std::optional<Json> decode(const Json& json) { return json; }
};

template <RawRepresentable E>
struct SettingCodec<E> {
    static std::optional<Json> encode(E value) { return Json(std::string(rawValue(value))); }
    static std::optional<E> decode(const Json& json)
    {
        if (!json.is_string())
            return std::nullopt;
        return fromRawValue<E>(json.get_ref<const std::string&>());
    }
};

// An absent value is stored as JSON null.
template <SettingValue T>
struct SettingCodec<std::optional<T>> {
    static std::optional<Json> encode(const std::optional<T>& value)
    {
        if (!value)
            return Json(nullptr);
        return SettingCodec<T>::encode(*value);
    }
    static std::optional<std::optional<T>> decode(const Json& json)
    {
        if (json.is_null())
            return std::optional<T>{};
        auto value = SettingCodec<T>::decode(json);
        if (!value)
            return std::nullopt;
        return std::optional<T>{std::move(*value)};
    }
};

// A list decodes only when every element does, as a typed array must.
template <SettingValue T>
struct SettingCodec<std::vector<T>> {
    static std::optional<Json> encode(const std::vector<T>& values)
    {
        Json array = Json::array();
        for (const T& value : values) {
            auto element = SettingCodec<T>::encode(value);
            if (!element)
                return std::nullopt;
            array.push_back(std::move(*element));
        }
        return array;
    }
    static std::optional<std::vector<T>> decode(const Json& json)
    {
        if (!json.is_array())
            return std::nullopt;
        std::vector<T> out;
        out.reserve(json.size());
        for (const Json& element : json) {
            auto value = SettingCodec<T>::decode(element);
            if (!value)
                return std::nullopt;
            out.push_back(std::move(*value));
        }
        return out;
    }
};

template <SettingValue T>
struct SettingCodec<std::map<std::string, T>> {
    static std::optional<Json> encode(const std::map<std::string, T>& values)
    {
        Json object = Json::object();
        for (const auto& [name, value] : values) {
            auto element = SettingCodec<T>::encode(value);
            if (!element)
                return std::nullopt;
            object[name] = std::move(*element);
        }
        return object;
    }
    static std::optional<std::map<std::string, T>> decode(const Json& json)
    {
        if (!json.is_object())
            return std::nullopt;
        std::map<std::string, T> out;
        for (const auto& [name, element] : json.items()) {
            auto value = SettingCodec<T>::decode(element);
            if (!value)
                return std::nullopt;
            out.emplace(name, std::move(*value));
        }
        return out;
    }
};

// The compact JSON text of a value; nothing when it cannot be encoded (a
// non-finite number, text that is not UTF-8).
template <SettingValue V>
std::optional<std::string> encodeSetting(const V& value)
{
    auto json = SettingCodec<V>::encode(value);
    if (!json)
        return std::nullopt;
    try {
        return json->dump();
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

template <SettingValue V>
std::optional<V> decodeSetting(std::string_view bytes)
{
    Json json = Json::parse(bytes, nullptr, false);
    if (json.is_discarded())
        return std::nullopt;
    return SettingCodec<V>::decode(json);
}

template <SettingValue Value>
struct SettingKey {
    std::string name;  // dotted, "general.hoverDelayMs"
    Value defaultValue;

    std::string storageKey() const { return std::string(settingsPrefix) + name; }
};

}  // namespace corvane
