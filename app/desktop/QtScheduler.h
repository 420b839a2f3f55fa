#pragma once
// The core's Scheduler on the Qt event loop. Pending timers are kept in one
// queue ordered by due time and served by a single QTimer armed for the
// earliest, so timers fire in due order (ties in the order they were
// scheduled) however Qt coalesces its own timers, and an idle program holds
// exactly one kernel timer.

#include <chrono>
#include <map>
#include <utility>

#include <QObject>
#include <QTimer>

#include "core/base/Scheduler.h"

namespace corvane::app {

class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);

    // schedule and cancel belong to the thread that owns the scheduler.
    TimerId schedule(double delaySeconds, Task task) override;
    void cancel(TimerId id) override;
    // Queued through the event loop, so it is safe from any thread; tasks
    // posted from one thread run in the order they were posted.
    void post(Task task) override;

    std::size_t pendingTimers() const { return byDue_.size(); }

private:
    using Clock = std::chrono::steady_clock;
    using Key = std::pair<Clock::time_point, TimerId>;

    void fireDue();
    void arm();

    QTimer timer_;
    std::map<Key, Task> byDue_;
    std::map<TimerId, Clock::time_point> dueOf_;
    TimerId nextId_ = 1;
};

}  // namespace corvane::app
