#pragma once
// One listening TCP port of one process.

#include <array>
#include <cstdint>
#include <ostream>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class ListenAddress { loopback, any, other };
enum class IPFamily { ipv4, ipv6 };

template <>
struct EnumCases<ListenAddress> {
    static constexpr std::array cases{
        std::pair{ListenAddress::loopback, std::string_view("loopback")},
        std::pair{ListenAddress::any, std::string_view("any")},
        std::pair{ListenAddress::other, std::string_view("other")},
    };
};

template <>
struct EnumCases<IPFamily> {
    static constexpr std::array cases{
        std::pair{IPFamily::ipv4, std::string_view("ipv4")},
        std::pair{IPFamily::ipv6, std::string_view("ipv6")},
    };
};

struct Listener {
    std::int32_t pid = 0;
    int port = 0;
    ListenAddress address = ListenAddress::other;
    IPFamily family = IPFamily::ipv4;

    bool operator==(const Listener&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Listener& listener)
{
    return out << "Listener{pid " << listener.pid << ", port " << listener.port << ", " << rawValue(listener.address)
               << ", " << rawValue(listener.family) << "}";
}

}  // namespace corvane
