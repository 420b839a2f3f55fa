#pragma once
// The keep-awake planner: from what holds the machine awake, which power
// hold to take (at most one of the program's own), whether the closed-lid
// helper must hold too, and what the panel's headline and the ear say.
// Pure; the controller applies its answers.

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "core/base/Time.h"
#include "core/keepawake/KeepAwakeInputs.h"

namespace corvane {

// The program's own power hold: none, against system sleep, or against
// display sleep too.
enum class AssertionKind { none, system, display };

struct KeepAwakeDecision {
    AssertionKind assertion = AssertionKind::none;
    bool lidLease = false;    // ask the helper to hold the closed-lid state
    bool helperCard = false;  // ask the user to install or repair the helper

    bool operator==(const KeepAwakeDecision&) const = default;
};

enum class KeepAwakeTone { idle, awake, winding, stopped, recap };

// The panel's headline. The flow picture has three steps: 1 work runs,
// 2 the machine is held awake, 3 it sleeps; 0 lights none.
struct KeepAwakeStatus {
    enum class Action { none, resume, done };

    KeepAwakeTone tone = KeepAwakeTone::idle;
    std::string title;
    std::string sub;
    int flowActive = 0;
    std::set<int> flowDone;
    std::optional<WallTime> since;
    Action action = Action::none;

    bool operator==(const KeepAwakeStatus&) const = default;
};

// The ear while something holds.
struct KeepAwakeEar {
    KeepAwakeTone tone = KeepAwakeTone::awake;
    std::string symbol;
    std::string label;
    std::string detail;
    std::string full;

    bool operator==(const KeepAwakeEar&) const = default;
};

// What the controller does to get from the held assertion to the wanted one.
struct AssertionChange {
    bool release = false;
    std::optional<AssertionKind> create;

    bool operator==(const AssertionChange&) const = default;
};

namespace KeepAwakePlan {

inline constexpr std::string_view assertionName = "Lunebox Keep Awake";
inline constexpr std::string_view sessionEarID = "keepAwake.session";
// The agents' own ear, which the keep-awake ear gives way to.
inline constexpr std::string_view agentEarID = "ai.working";
inline constexpr double viewTick = 30;
inline constexpr double quickTimers[] = {900, 1800, 3600, 7200};

KeepAwakeDecision decide(const KeepAwakeInputs& inputs);
// Times of day read in `calendar`'s zone.
KeepAwakeStatus status(const KeepAwakeInputs& inputs, WallTime now, const Calendar& calendar);
// `wide`: the ear has room for longer words.
std::optional<KeepAwakeEar> ear(const KeepAwakeInputs& inputs, WallTime now, bool wide);
// Only Auto Mode holds, for an agent: the agent's own ear says enough.
bool earYieldsToAgentEar(const KeepAwakeInputs& inputs);
// Seconds between ear refreshes: every second while a timer counts down.
double earTick(const std::optional<KeepAwakeSession>& manual);

// Release first, then create, and only when the kind changes.
AssertionChange assertionChange(AssertionKind held, AssertionKind wanted);

// The closed-lid lease's terms: the hard deadline in whole seconds (at
// least a minute) until the stay hold's deadline, or eight hours without
// one; the battery floor never below 5, 15 without a policy at hand.
int leaseHardDeadlineSeconds(const std::optional<StayHold>& stay, WallTime now);
int leaseBatteryFloor(const std::optional<GuardrailPolicy>& policy);

}  // namespace KeepAwakePlan

std::ostream& operator<<(std::ostream& out, AssertionKind kind);
std::ostream& operator<<(std::ostream& out, const KeepAwakeDecision& decision);
std::ostream& operator<<(std::ostream& out, const KeepAwakeStatus& status);
std::ostream& operator<<(std::ostream& out, const KeepAwakeEar& ear);

}  // namespace corvane
