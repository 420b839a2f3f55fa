#pragma once
// The records one scan of the listening ports produces: the development
// servers of the current user, every inspected port as a row of the ports
// list, and the load of each server process.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/RawEnum.h"
#include "core/runtime/Framework.h"
#include "core/runtime/Listener.h"
#include "core/runtime/ProcessIdentity.h"

namespace corvane {

enum class PortCategory { web, database, dev, system };

template <>
struct EnumCases<PortCategory> {
    static constexpr std::array cases{
        std::pair{PortCategory::web, std::string_view("web")},
        std::pair{PortCategory::database, std::string_view("database")},
        std::pair{PortCategory::dev, std::string_view("dev")},
        std::pair{PortCategory::system, std::string_view("system")},
    };
};

// "<pid>:<port>", the id of a server and of a port row.
std::string listenerID(const Listener& listener);

struct DevServer {
    Listener listener;
    ProcessIdentity identity;
    std::string name;  // the process name
    Runtime runtime = Runtime::other;
    Framework framework = Framework::other;
    std::optional<std::string> project;
    std::optional<std::string> cwd;
    std::string command;
    PortCategory category = PortCategory::dev;
    std::int32_t pgid = 0;  // 0 when unknown

    std::string id() const { return listenerID(listener); }
    // The framework's title, or the process name for an unrecognised server.
    std::string title() const;

    bool operator==(const DevServer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DevServer& server);

struct PortRow {
    Listener listener;
    std::string name;
    std::string path;  // the executable
    std::optional<ProcessIdentity> identity;
    PortCategory category = PortCategory::dev;
    bool isDevServer = false;
    std::optional<std::string> cwd;
    std::string command;
    bool own = false;  // the process belongs to the current user

    std::string id() const { return listenerID(listener); }

    bool operator==(const PortRow&) const = default;
};

struct ProcessLoadSample {
    double cpu = 0;            // percent of one core, a whole number
    std::uint64_t memory = 0;  // resident bytes, whole MiB

    bool operator==(const ProcessLoadSample&) const = default;
};

struct ScanResult {
    std::vector<DevServer> servers;
    std::vector<PortRow> ports;
    std::map<std::int32_t, ProcessLoadSample> loads;

    bool operator==(const ScanResult&) const = default;
};

}  // namespace corvane
