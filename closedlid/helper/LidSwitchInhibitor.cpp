#include "closedlid/helper/LidSwitchInhibitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include <systemd/sd-bus.h>

#include "core/keepawake/ClosedLidPaths.h"

namespace corvane {

namespace {

constexpr const char* destination = "org.freedesktop.login1";
constexpr const char* objectPath = "/org/freedesktop/login1";
constexpr const char* managerInterface = "org.freedesktop.login1.Manager";

struct BusDeleter {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageDeleter {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusDeleter>;
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

// Opened per call: the calls are rare and a connection never goes stale.
Bus openBus(const std::string& address, std::string& why)
{
    sd_bus* raw = nullptr;
    int result = address.empty() ? sd_bus_open_system(&raw) : sd_bus_new(&raw);
    Bus bus(raw);
    if (result >= 0 && !address.empty()) {
        if ((result = sd_bus_set_address(raw, address.c_str())) >= 0 && (result = sd_bus_set_bus_client(raw, 1)) >= 0)
            result = sd_bus_start(raw);
    }
    if (result < 0) {
        why = std::strerror(-result);
        return nullptr;
    }
    return bus;
}

bool containsWord(std::string_view list, std::string_view word)
{
    // "what" is a colon-separated list such as "sleep:handle-lid-switch".
    std::size_t start = 0;
    while (start <= list.size()) {
        auto end = list.find(':', start);
        if (end == std::string_view::npos)
            end = list.size();
        if (list.substr(start, end - start) == word)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool LidSwitchInhibitor::take()
{
    if (lock_.valid())
        return true;
    std::string why;
    Bus bus = openBus(busAddress_, why);
    if (!bus) {
        log_.error("system bus: {}", why);
        return false;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* rawReply = nullptr;
    const std::string what(ClosedLidPaths::inhibitWhat), who(ClosedLidPaths::inhibitWho),
        reason(ClosedLidPaths::inhibitWhy), mode(ClosedLidPaths::inhibitMode);
    int result = sd_bus_call_method(bus.get(), destination, objectPath, managerInterface, "Inhibit", &error,
                                    &rawReply, "ssss", what.c_str(), who.c_str(), reason.c_str(), mode.c_str());
    Message reply(rawReply);
    if (result < 0) {
        log_.error("Inhibit: {}", error.message ? error.message : std::strerror(-result));
        sd_bus_error_free(&error);
        return false;
    }
    int fd = -1;
    if (sd_bus_message_read(reply.get(), "h", &fd) < 0)
        return false;
    // The reply owns its descriptor; keep a copy of our own.
    lock_ = FileDescriptor(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    return lock_.valid();
}

std::optional<bool> LidSwitchInhibitor::isHeld()
{
    if (!lock_.valid())
        return false;
    std::string why;
    Bus bus = openBus(busAddress_, why);
    if (!bus)
        return std::nullopt;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* rawReply = nullptr;
    int result = sd_bus_call_method(bus.get(), destination, objectPath, managerInterface, "ListInhibitors", &error,
                                    &rawReply, "");
    Message reply(rawReply);
    sd_bus_error_free(&error);
    if (result < 0 || sd_bus_message_enter_container(reply.get(), 'a', "(ssssuu)") < 0)
        return std::nullopt;
    const auto self = static_cast<std::uint32_t>(::getpid());
    bool ours = false;
    for (;;) {
        const char *what = nullptr, *who = nullptr, *reason = nullptr, *mode = nullptr;
        std::uint32_t uid = 0, pid = 0;
        result = sd_bus_message_read(reply.get(), "(ssssuu)", &what, &who, &reason, &mode, &uid, &pid);
        if (result < 0)
            return std::nullopt;
        if (result == 0)
            break;
        if (pid == self && mode == ClosedLidPaths::inhibitMode && containsWord(what, ClosedLidPaths::inhibitWhat))
            ours = true;
    }
    return ours;
}

}  // namespace corvane
