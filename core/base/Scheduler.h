#pragma once
// Timers and hand-offs to the main thread, as the core sees them. The app
// implements this on its event loop; tests use ManualScheduler and move time
// by hand. Nothing in the core polls: a controller schedules exactly the
// next moment something can change.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "core/base/Time.h"

namespace corvane {

class Scheduler {
public:
    using TimerId = std::uint64_t;
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;
    // Runs `task` on the main thread once, `delaySeconds` from now.
    virtual TimerId schedule(double delaySeconds, Task task) = 0;
    // Forgets a pending timer; unknown or fired ids are ignored.
    virtual void cancel(TimerId id) = 0;
    // Runs `task` on the main thread as soon as it is free. Safe from any thread.
    virtual void post(Task task) = 0;
};

// A scheduler for tests and fixture runs: nothing runs until the test
// advances the clock it shares.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : clock_(clock) {}

    TimerId schedule(double delaySeconds, Task task) override;
    void cancel(TimerId id) override;
    void post(Task task) override;

    // Moves the clock forward, firing due timers in time order at their own
    // moments, then runs posted tasks.
    void advance(double seconds);
    // Runs posted tasks and timers already due, without moving the clock.
    void runPending();
    std::size_t pendingTimers() const;
    // Seconds until the next timer, or a negative number when none is pending.
    double nextDelay() const;

private:
    struct Timer {
        WallTime due;
        Task task;
    };
    ManualClock& clock_;
    std::map<TimerId, Timer> timers_;
    mutable std::mutex postedMutex_;
    std::vector<Task> posted_;
    TimerId nextId_ = 1;
};

}  // namespace corvane
