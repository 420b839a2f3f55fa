#pragma once
// The sections the modules contribute to each surface. Home has none: it
// shows widgets.

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"
#include "core/notch/Surface.h"

namespace corvane {

enum class SurfaceSection { runtime, code, ai, toolbox, clipboard, notes, shelf, keepAwake, vitals, network, audio, maintenance };

template <>
struct EnumCases<SurfaceSection> {
    static constexpr std::array cases{
        std::pair{SurfaceSection::runtime, std::string_view("runtime")},
        std::pair{SurfaceSection::code, std::string_view("code")},
        std::pair{SurfaceSection::ai, std::string_view("ai")},
        std::pair{SurfaceSection::toolbox, std::string_view("toolbox")},
        std::pair{SurfaceSection::clipboard, std::string_view("clipboard")},
        std::pair{SurfaceSection::notes, std::string_view("notes")},
        std::pair{SurfaceSection::shelf, std::string_view("shelf")},
        std::pair{SurfaceSection::keepAwake, std::string_view("keepAwake")},
        std::pair{SurfaceSection::vitals, std::string_view("vitals")},
        std::pair{SurfaceSection::network, std::string_view("network")},
        std::pair{SurfaceSection::audio, std::string_view("audio")},
        std::pair{SurfaceSection::maintenance, std::string_view("maintenance")},
    };
};

constexpr Surface surface(SurfaceSection section)
{
    switch (section) {
    case SurfaceSection::runtime:
    case SurfaceSection::code:
    case SurfaceSection::ai:
    case SurfaceSection::toolbox: return Surface::dev;
    case SurfaceSection::clipboard:
    case SurfaceSection::notes:
    case SurfaceSection::shelf: return Surface::stash;
    case SurfaceSection::keepAwake: return Surface::focus;
    case SurfaceSection::vitals:
    case SurfaceSection::network:
    case SurfaceSection::audio:
    case SurfaceSection::maintenance: return Surface::system;
    }
    return Surface::home;
}

// A surface's sections in display order, which the declaration order
// above already groups by surface.
inline std::vector<SurfaceSection> sections(Surface of)
{
    std::vector<SurfaceSection> out;
    for (const auto& [section, raw] : EnumCases<SurfaceSection>::cases) {
        if (surface(section) == of)
            out.push_back(section);
    }
    return out;
}

}  // namespace corvane
