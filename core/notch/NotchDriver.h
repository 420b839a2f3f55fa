#pragma once
// Runs one notch window's state machine: feeds it events, turns its timer
// effects into cancellable scheduled tasks that feed the expiry back, and
// reports each change of presentation.

#include <functional>
#include <optional>

#include "core/base/Scheduler.h"
#include "core/notch/NotchStateMachine.h"
#include "core/notch/NotchTimings.h"

namespace corvane {

class NotchDriver {
public:
    using PresentationHandler = std::function<void(NotchPresentation)>;

    NotchDriver(Scheduler& scheduler, NotchTimings timings, PresentationHandler onPresentation);
    ~NotchDriver();
    NotchDriver(const NotchDriver&) = delete;
    NotchDriver& operator=(const NotchDriver&) = delete;

    const NotchStateMachine& machine() const { return machine_; }
    NotchPresentation presentation() const { return machine_.presentation; }

    void handle(const NotchEvent& event);
    // New settings apply to timers started from now on.
    void setTimings(const NotchTimings& timings);
    void releasePin() { machine_.releasePin(); }

private:
    void run(NotchEffect effect);
    void restart(std::optional<Scheduler::TimerId>& timer, double delay, NotchEvent expiry);
    void cancel(std::optional<Scheduler::TimerId>& timer);

    Scheduler& scheduler_;
    NotchTimings timings_;
    PresentationHandler onPresentation_;
    NotchStateMachine machine_;
    std::optional<Scheduler::TimerId> dwellTimer_;
    std::optional<Scheduler::TimerId> collapseTimer_;
};

}  // namespace corvane
