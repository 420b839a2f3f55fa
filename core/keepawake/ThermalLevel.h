#pragma once
// How hot the machine runs, in four ordered steps. The guardrails pause or
// stop keeping awake by it; the closed-lid helper watches it too.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class ThermalLevel { nominal, fair, serious, critical };

template <>
struct EnumCases<ThermalLevel> {
    static constexpr std::array cases{
        std::pair{ThermalLevel::nominal, std::string_view("nominal")},
        std::pair{ThermalLevel::fair, std::string_view("fair")},
        std::pair{ThermalLevel::serious, std::string_view("serious")},
        std::pair{ThermalLevel::critical, std::string_view("critical")},
    };
};

// The system's thermal state 0...3; anything else is not known and counts
// as serious, so an unreadable state never lets a hold run on unwatched.
constexpr ThermalLevel thermalLevel(int systemState)
{
    switch (systemState) {
    case 0: return ThermalLevel::nominal;
    case 1: return ThermalLevel::fair;
    case 2: return ThermalLevel::serious;
    case 3: return ThermalLevel::critical;
    default: return ThermalLevel::serious;
    }
}

}  // namespace corvane
