#pragma once
// The presentation choices of the notch itself: where it shows, how it is
// drawn, and how large its alert cards are.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

// Which screens carry the notch. The notch screen is the primary one on a
// desktop without a camera housing; "menu bar only" leaves the tray icon.
enum class DisplayChoice { allDisplays, notchDisplay, menuBarOnly };

enum class NotchTheme { black, tinted, accent };

enum class NotchGlass { off, subtle, frosted };

enum class AlertCardSize { regular, compact, large };

template <>
struct EnumCases<DisplayChoice> {
    static constexpr std::array cases{
        std::pair{DisplayChoice::allDisplays, std::string_view("allDisplays")},
        std::pair{DisplayChoice::notchDisplay, std::string_view("notchDisplay")},
        std::pair{DisplayChoice::menuBarOnly, std::string_view("menuBarOnly")},
    };
};

template <>
struct EnumCases<NotchTheme> {
    static constexpr std::array cases{
        std::pair{NotchTheme::black, std::string_view("black")},
        std::pair{NotchTheme::tinted, std::string_view("tinted")},
        std::pair{NotchTheme::accent, std::string_view("accent")},
    };
};

template <>
struct EnumCases<NotchGlass> {
    static constexpr std::array cases{
        std::pair{NotchGlass::off, std::string_view("off")},
        std::pair{NotchGlass::subtle, std::string_view("subtle")},
        std::pair{NotchGlass::frosted, std::string_view("frosted")},
    };
};

template <>
struct EnumCases<AlertCardSize> {
    static constexpr std::array cases{
        std::pair{AlertCardSize::regular, std::string_view("regular")},
        std::pair{AlertCardSize::compact, std::string_view("compact")},
        std::pair{AlertCardSize::large, std::string_view("large")},
    };
};

}  // namespace corvane
