#pragma once
// The panel's top-level pages, in their default dock order.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class Surface { home, dev, stash, focus, system };

template <>
struct EnumCases<Surface> {
    static constexpr std::array cases{
        std::pair{Surface::home, std::string_view("home")},
        std::pair{Surface::dev, std::string_view("dev")},
        std::pair{Surface::stash, std::string_view("stash")},
        std::pair{Surface::focus, std::string_view("focus")},
        std::pair{Surface::system, std::string_view("system")},
    };
};

constexpr std::string_view title(Surface surface)
{
    switch (surface) {
    case Surface::home: return "Home";
    case Surface::dev: return "Dev";
    case Surface::stash: return "Stash";
    case Surface::focus: return "Focus";
    case Surface::system: return "System";
    }
    return {};
}

constexpr std::string_view symbol(Surface surface)
{
    switch (surface) {
    case Surface::home: return "house.fill";
    case Surface::dev: return "chevron.left.forwardslash.chevron.right";
    case Surface::stash: return "tray.full.fill";
    case Surface::focus: return "timer";
    case Surface::system: return "cpu.fill";
    }
    return {};
}

}  // namespace corvane
