#pragma once
// Keeping the machine from sleeping: the program's own power hold, the list
// of every program's holds (for the awake radar), and the moments the
// system goes to sleep, wakes, locks and unlocks.
//
// A hold lasts exactly as long as its `PowerHold` object: destroying it
// releases it, so a hold can never be leaked by a forgotten call.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Result.h"
#include "core/keepawake/AwakeRadar.h"
#include "core/keepawake/KeepAwakePlan.h"

namespace corvane::platform {

class PowerHold {
public:
    virtual ~PowerHold() = default;
};

class PowerInhibitor {
public:
    using Inhibitors = Result<std::vector<Inhibitor>>;

    virtual ~PowerInhibitor() = default;

    // Takes a hold of `kind` (system or display) named `why`; an error when
    // the power manager refused it. Never called with AssertionKind::none.
    virtual Result<std::unique_ptr<PowerHold>> hold(AssertionKind kind, const std::string& why) = 0;
    // Every program's holds, ours included; `done` runs on the main thread.
    virtual void listInhibitors(std::function<void(Inhibitors)> done) = 0;
    // `goingToSleep` true just before the system sleeps, false once it woke.
    virtual void onSleep(std::function<void(bool goingToSleep)> handler) = 0;
    // `locked` true when this session's screen locks, false when it unlocks.
    virtual void onLock(std::function<void(bool locked)> handler) = 0;
};

}  // namespace corvane::platform
