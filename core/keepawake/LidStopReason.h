#pragma once
// Why the closed-lid helper ended a hold, as it reports it.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class LidStopReason {
    released, connectionLost, leaseLapsed, deadline, battery, thermal, launchCleanup, shutdown, failed,
};

template <>
struct EnumCases<LidStopReason> {
    static constexpr std::array cases{
        std::pair{LidStopReason::released, std::string_view("released")},
        std::pair{LidStopReason::connectionLost, std::string_view("connectionLost")},
        std::pair{LidStopReason::leaseLapsed, std::string_view("leaseLapsed")},
        std::pair{LidStopReason::deadline, std::string_view("deadline")},
        std::pair{LidStopReason::battery, std::string_view("battery")},
        std::pair{LidStopReason::thermal, std::string_view("thermal")},
        std::pair{LidStopReason::launchCleanup, std::string_view("launchCleanup")},
        std::pair{LidStopReason::shutdown, std::string_view("shutdown")},
        std::pair{LidStopReason::failed, std::string_view("failed")},
    };
};

}  // namespace corvane
