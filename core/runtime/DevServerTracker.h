#pragma once
// Turns successive scans into "started", "stopped" and "restarted"
// transitions, keyed by port. Servers already running at the first scan are
// never announced, and a server is stopped only after it was missing from
// `missesBeforeStopped` scans in a row.

#include <map>
#include <set>
#include <variant>
#include <vector>

#include "core/runtime/DevServer.h"

namespace corvane {

struct DevServerEvent {
    struct Up {
        DevServer server;
        bool operator==(const Up&) const = default;
    };
    struct Down {
        DevServer server;
        bool operator==(const Down&) const = default;
    };
    struct Restarted {
        DevServer old;
        DevServer current;
        bool operator==(const Restarted&) const = default;
    };

    std::variant<Up, Down, Restarted> value;

    static DevServerEvent up(DevServer server) { return {Up{std::move(server)}}; }
    static DevServerEvent down(DevServer server) { return {Down{std::move(server)}}; }
    static DevServerEvent restarted(DevServer old, DevServer current)
    {
        return {Restarted{std::move(old), std::move(current)}};
    }

    bool operator==(const DevServerEvent&) const = default;
};

class DevServerTracker {
public:
    // Values below 1 become 1.
    explicit DevServerTracker(int missesBeforeStopped);

    // The events up and restarted first (ascending port), then down (ascending port).
    std::vector<DevServerEvent> update(const std::vector<DevServer>& servers);
    // The user stopped the server on this port: no stop alert follows.
    void forget(int port);
    // The port's server is about to be restarted: its next appearance is no start.
    void adopt(int port);

    int missesBeforeStopped() const { return missesBeforeStopped_; }
    const std::map<int, DevServer>& current() const { return current_; }
    bool isFirstScan() const { return isFirstScan_; }

private:
    int missesBeforeStopped_;
    std::map<int, DevServer> current_;
    bool isFirstScan_ = true;
    std::map<int, int> misses_;
    std::set<int> adopting_;
};

}  // namespace corvane
