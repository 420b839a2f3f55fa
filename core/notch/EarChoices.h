#pragma once
// The ear choices a user makes in settings: how wide the ears are and what a
// resting ear shows while no activity owns it.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class EarWidth { compact, regular, wide };

// Width of one ear in points.
constexpr int points(EarWidth width)
{
    switch (width) {
    case EarWidth::compact: return 80;
    case EarWidth::regular: return 96;
    case EarWidth::wide: return 128;
    }
    return 80;
}

enum class RestingEarContent {
    none, clock, date, weather, cpu, memory, battery, network, devServers, aiTokens, nextEvent, unread,
    nowPlaying, aiLimit,
};

constexpr std::string_view title(RestingEarContent content)
{
    switch (content) {
    case RestingEarContent::none: return "Nothing";
    case RestingEarContent::clock: return "Clock";
    case RestingEarContent::date: return "Date";
    case RestingEarContent::weather: return "Weather";
    case RestingEarContent::cpu: return "CPU";
    case RestingEarContent::memory: return "Memory";
    case RestingEarContent::battery: return "Battery";
    case RestingEarContent::network: return "Network speed";
    case RestingEarContent::devServers: return "Dev servers";
    case RestingEarContent::aiTokens: return "AI tokens today";
    case RestingEarContent::nextEvent: return "Next event";
    case RestingEarContent::unread: return "Unread messages";
    case RestingEarContent::nowPlaying: return "Now playing ticker";
    case RestingEarContent::aiLimit: return "AI limit %";
    }
    return {};
}

template <>
struct EnumCases<EarWidth> {
    static constexpr std::array cases{
        std::pair{EarWidth::compact, std::string_view("compact")},
        std::pair{EarWidth::regular, std::string_view("regular")},
        std::pair{EarWidth::wide, std::string_view("wide")},
    };
};

template <>
struct EnumCases<RestingEarContent> {
    static constexpr std::array cases{
        std::pair{RestingEarContent::none, std::string_view("none")},
        std::pair{RestingEarContent::clock, std::string_view("clock")},
        std::pair{RestingEarContent::date, std::string_view("date")},
        std::pair{RestingEarContent::weather, std::string_view("weather")},
        std::pair{RestingEarContent::cpu, std::string_view("cpu")},
        std::pair{RestingEarContent::memory, std::string_view("memory")},
        std::pair{RestingEarContent::battery, std::string_view("battery")},
        std::pair{RestingEarContent::network, std::string_view("network")},
        std::pair{RestingEarContent::devServers, std::string_view("devServers")},
        std::pair{RestingEarContent::aiTokens, std::string_view("aiTokens")},
        std::pair{RestingEarContent::nextEvent, std::string_view("nextEvent")},
        std::pair{RestingEarContent::unread, std::string_view("unread")},
        std::pair{RestingEarContent::nowPlaying, std::string_view("nowPlaying")},
        std::pair{RestingEarContent::aiLimit, std::string_view("aiLimit")},
    };
};

}  // namespace corvane
