#include "app/desktop/QtScheduler.h"

#include <algorithm>
#include <cmath>

#include <QMetaObject>

namespace corvane::app {

namespace {

// Delays this long tolerate Qt's coarse timers (a few percent of slack) in
// exchange for fewer wake-ups; shorter ones drive visible animation and hover.
constexpr auto coarseFrom = std::chrono::seconds(1);
constexpr auto longestWait = std::chrono::milliseconds(std::chrono::hours(24));

}  // namespace

QtScheduler::QtScheduler(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QtScheduler::fireDue);
}

Scheduler::TimerId QtScheduler::schedule(double delaySeconds, Task task)
{
    double seconds = std::isfinite(delaySeconds) ? std::clamp(delaySeconds, 0.0, 366.0 * 86400.0) : 0.0;
    auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    TimerId id = nextId_++;
    byDue_.emplace(Key{due, id}, std::move(task));
    dueOf_.emplace(id, due);
    arm();
    return id;
}

void QtScheduler::cancel(TimerId id)
{
    auto found = dueOf_.find(id);
    if (found == dueOf_.end())
        return;
    byDue_.erase(Key{found->second, id});
    dueOf_.erase(found);
    arm();
}

void QtScheduler::post(Task task)
{
    QMetaObject::invokeMethod(this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtScheduler::fireDue()
{
    // Only timers due when this round began run now; one scheduled with no
    // delay by a task waits for the next round, so a task that re-arms
    // itself cannot starve the event loop.
    auto now = Clock::now();
    while (!byDue_.empty() && byDue_.begin()->first.first <= now) {
        auto first = byDue_.begin();
        Task task = std::move(first->second);
        dueOf_.erase(first->first.second);
        byDue_.erase(first);
        task();
    }
    arm();
}

void QtScheduler::arm()
{
    if (byDue_.empty()) {
        timer_.stop();
        return;
    }
    auto left = std::max(Clock::duration::zero(), byDue_.begin()->first.first - Clock::now());
    timer_.setTimerType(left >= coarseFrom ? Qt::CoarseTimer : Qt::PreciseTimer);
    // Rounded up and capped at a day (QTimer counts in int milliseconds): a
    // timer that fires before its task is due finds nothing to run and re-arms.
    auto ms = std::min(std::chrono::ceil<std::chrono::milliseconds>(left), longestWait);
    timer_.start(ms);
}

}  // namespace corvane::app
