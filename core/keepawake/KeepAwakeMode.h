#pragma once
// How a manual keep-awake session ends: after a time, with one process,
// when the user stops it, or when no development server runs any more.
//
// JSON: one key naming the case with its payload as an object:
// {"duration":{"_0":900}}, {"whileProcess":{"pid":412,"name":"cargo"}},
// {"indefinite":{}}, {"whileDevServers":{}}.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

namespace corvane {

struct KeepAwakeMode {
    struct Duration {
        double seconds = 0;
        bool operator==(const Duration&) const = default;
    };
    struct WhileProcess {
        std::int32_t pid = 0;
        std::string name;
        bool operator==(const WhileProcess&) const = default;
    };
    struct Indefinite {
        bool operator==(const Indefinite&) const = default;
    };
    struct WhileDevServers {
        bool operator==(const WhileDevServers&) const = default;
    };
    std::variant<Duration, WhileProcess, Indefinite, WhileDevServers> value = Indefinite{};

    static KeepAwakeMode duration(double seconds) { return {Duration{seconds}}; }
    static KeepAwakeMode whileProcess(std::int32_t pid, std::string name) { return {WhileProcess{pid, std::move(name)}}; }
    static KeepAwakeMode indefinite() { return {Indefinite{}}; }
    static KeepAwakeMode whileDevServers() { return {WhileDevServers{}}; }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    nlohmann::json toJson() const;
    static std::optional<KeepAwakeMode> fromJson(const nlohmann::json& json);

    bool operator==(const KeepAwakeMode&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeMode& mode);

}  // namespace corvane
