#include "core/base/Scheduler.h"

#include <algorithm>

namespace corvane {

Scheduler::TimerId ManualScheduler::schedule(double delaySeconds, Task task)
{
    TimerId id = nextId_++;
    timers_.emplace(id, Timer{clock_.now().plusSeconds(std::max(0.0, delaySeconds)), std::move(task)});
    return id;
}

void ManualScheduler::cancel(TimerId id) { timers_.erase(id); }

void ManualScheduler::post(Task task)
{
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
}

void ManualScheduler::runPending()
{
    for (;;) {
        std::vector<Task> tasks;
        {
            std::lock_guard lock(postedMutex_);
            tasks.swap(posted_);
        }
        // Earliest due timer first; ties by id, the order they were scheduled.
        auto due = std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
            return a.second.due < b.second.due || (a.second.due == b.second.due && a.first < b.first);
        });
        bool timerDue = due != timers_.end() && due->second.due <= clock_.now();
        if (tasks.empty() && !timerDue)
            return;
        for (auto& task : tasks)
            task();
        if (timerDue) {
            Task task = std::move(due->second.task);
            timers_.erase(due);
            task();
        }
    }
}

void ManualScheduler::advance(double seconds)
{
    WallTime end = clock_.now().plusSeconds(seconds);
    for (;;) {
        runPending();
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        if (next == timers_.end() || next->second.due > end)
            break;
        clock_.set(next->second.due);
    }
    clock_.set(end);
    runPending();
}

std::size_t ManualScheduler::pendingTimers() const { return timers_.size(); }

double ManualScheduler::nextDelay() const
{
    if (timers_.empty())
        return -1;
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
    return std::max(0.0, next->second.due.secondsSince(clock_.now()));
}

}  // namespace corvane
