#pragma once
// Who a process is (`ProcessIdentity`) and what it looked like when it was
// inspected (`ProcessSnapshot`). A pid alone is not an identity: the kernel
// reuses pids, so two identities match only when the start time and the
// executable match too.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvane {

struct ProcessIdentity {
    std::int32_t pid = 0;
    std::uint64_t startTime = 0;  // microseconds since 1970
    std::string path;             // the executable

    bool operator==(const ProcessIdentity&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ProcessIdentity& identity)
{
    return out << "ProcessIdentity{pid " << identity.pid << ", started " << identity.startTime << ", " << identity.path
               << "}";
}

struct ProcessSnapshot {
    ProcessIdentity identity;
    std::string name;
    std::uint32_t uid = 0;
    std::int32_t ppid = 0;
    std::optional<std::string> cwd;
    std::vector<std::string> argv;

    bool operator==(const ProcessSnapshot&) const = default;
};

}  // namespace corvane
