#pragma once
// What happens when the lid closes. The raw value is stored under
// "keepAwake.lidChoice".

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class LidChoice { sleepNormally, sleepWhenDone, stayAwake };

template <>
struct EnumCases<LidChoice> {
    static constexpr std::array cases{
        std::pair{LidChoice::sleepNormally, std::string_view("sleepNormally")},
        std::pair{LidChoice::sleepWhenDone, std::string_view("sleepWhenDone")},
        std::pair{LidChoice::stayAwake, std::string_view("stayAwake")},
    };
};

namespace LidChoices {

struct Presentation {
    std::string_view title;
    std::string_view caption;
    std::string_view symbol;
};

constexpr Presentation presentation(LidChoice choice)
{
    switch (choice) {
    case LidChoice::sleepNormally: return {"Sleep normally", "Like a normal laptop", "moon"};
    case LidChoice::sleepWhenDone: return {"Sleep when done", "Recommended", "waveform.path.ecg"};
    case LidChoice::stayAwake: return {"Stay awake", "Until I stop it", "sun.max"};
    }
    return {};
}

}  // namespace LidChoices

}  // namespace corvane
