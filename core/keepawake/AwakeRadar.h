#pragma once
// Explains which other programs keep the machine awake, from the power
// manager's list of holds, one row per process.
//
// Linux notes: the holds are logind's inhibitor locks as ListInhibitors
// returns them (what, who, why, mode, uid, pid). "what" is a colon-
// separated list: "sleep" (and the lid and suspend keys) stops sleep,
// "idle" keeps the screen on; a "delay" lock only postpones sleep for a
// moment, so it counts as brief whatever it names. Processes of the
// super-user and programs under the system folders are the system's own.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One inhibitor lock as logind lists it.
struct Inhibitor {
    std::string what;  // "sleep:idle"
    std::string who;   // the program's own name for itself
    std::string why;
    std::string mode;  // "block" or "delay"
    std::uint32_t uid = 0;
    std::int32_t pid = 0;

    bool operator==(const Inhibitor&) const = default;
};

// One hold of any process, as the radar reads it.
struct PowerAssertion {
    std::int32_t pid = 0;
    std::string process;  // who, or "pid <n>"
    std::string type;     // what
    std::string name;     // why
    bool delayOnly = false;
    std::uint32_t uid = 0;
    std::optional<std::string> path;  // the executable
    bool regularApp = false;          // a desktop app with windows, which the user can quit

    bool operator==(const PowerAssertion&) const = default;
};

// What the running-application list knows about a process.
struct RunningProcess {
    std::optional<std::string> path;
    bool regularApp = false;
};
using ProcessLookup = std::function<RunningProcess(std::int32_t pid)>;

namespace AwakeRadar {

// Ordered from the strongest: the raw values 0, 1, 2 rank the rows.
enum class Effect { stopsSleep = 0, display = 1, system = 2 };

struct Row {
    std::int32_t pid = 0;
    std::string name;
    std::string sub;
    std::string tag;
    Effect effect = Effect::system;
    bool system = false;
    bool canQuit = false;

    bool operator==(const Row&) const = default;
};

std::vector<PowerAssertion> parse(const std::vector<Inhibitor>& inhibitors, const ProcessLookup& lookup);
Effect effect(std::string_view type, bool delayOnly);
// "System", "Stops sleep", "Keeps display on", "Brief".
std::string tag(Effect effect, bool system);
// No path, or a path in the system's own folders.
bool isSystem(const std::optional<std::string>& path);
bool isSystem(const PowerAssertion& assertion);
// A desktop app of the user's, outside the system's folders.
bool canQuit(const PowerAssertion& assertion, std::uint32_t ownUID);
// Every process but `ownPID`, one row each with its strongest effect;
// strongest first, then by name.
std::vector<Row> rows(const std::vector<PowerAssertion>& assertions, std::int32_t ownPID, std::uint32_t ownUID);

}  // namespace AwakeRadar

std::ostream& operator<<(std::ostream& out, const AwakeRadar::Row& row);

}  // namespace corvane
