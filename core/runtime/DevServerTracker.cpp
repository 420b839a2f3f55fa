#include "core/runtime/DevServerTracker.h"

#include <algorithm>

namespace corvane {

DevServerTracker::DevServerTracker(int missesBeforeStopped) : missesBeforeStopped_(std::max(1, missesBeforeStopped)) {}

std::vector<DevServerEvent> DevServerTracker::update(const std::vector<DevServer>& servers)
{
    std::map<int, DevServer> byPort;
    for (const DevServer& server : servers)
        byPort.try_emplace(server.listener.port, server);  // the first one per port stays
    if (isFirstScan_) {
        current_ = std::move(byPort);
        isFirstScan_ = false;
        return {};
    }

    std::vector<DevServerEvent> events;
    for (const auto& [port, server] : byPort) {
        misses_.erase(port);
        auto existing = current_.find(port);
        if (existing == current_.end()) {
            if (!adopting_.contains(port))
                events.push_back(DevServerEvent::up(server));
        } else if (existing->second.identity != server.identity) {
            events.push_back(DevServerEvent::restarted(existing->second, server));
        }
        current_[port] = server;
    }
    adopting_.clear();

    for (auto it = current_.begin(); it != current_.end();) {
        if (byPort.contains(it->first)) {
            ++it;
            continue;
        }
        int misses = misses_[it->first] + 1;
        if (misses >= missesBeforeStopped_) {
            events.push_back(DevServerEvent::down(it->second));
            misses_.erase(it->first);
            it = current_.erase(it);
        } else {
            misses_[it->first] = misses;
            ++it;
        }
    }
    return events;
}

void DevServerTracker::forget(int port)
{
    current_.erase(port);
    misses_.erase(port);
}

void DevServerTracker::adopt(int port) { adopting_.insert(port); }

}  // namespace corvane
