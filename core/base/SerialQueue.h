#pragma once
// A named serial work queue: one worker thread that runs jobs one at a time,
// first in first out. A source does its slow work here (process scans, file
// reads, child processes) and hands the result to the main thread through
// the Scheduler.
//
// Results that reach the main thread after shutdown() are dropped, so a
// controller that shuts its queue down when it stops never hears from the
// queue again.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "core/base/ProcessRunner.h"
#include "core/base/Scheduler.h"

namespace corvane {

class SerialQueue {
public:
    using Job = std::function<void()>;
    enum class Shutdown {
        Drain,  // run every job already queued, then stop
        Drop,   // finish the running job, forget the rest
    };

    // `name` such as "com.lunebox.devservers"; its last part names the thread.
    SerialQueue(std::string name, Scheduler& mainThread);
    // Drops pending work and joins.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& name() const { return name_; }

    // Queues `job`; false once the queue is shut down.
    bool async(Job job);

    // Runs `work` on the queue, then `deliver` with its result on the main thread.
    template <typename Work, typename Deliver>
    bool submit(Work work, Deliver deliver)
    {
        return async([this, work = std::move(work), deliver = std::move(deliver)]() mutable {
            // Boxed so that a move-only result still fits in a copyable task.
            auto result = std::make_shared<decltype(work())>(work());
            toMainThread([deliver, result]() mutable { deliver(std::move(*result)); });
        });
    }

    // Runs `task` on the main thread unless the queue has been shut down by then.
    void toMainThread(Scheduler::Task task);

    // Cancelled by shutdown(Drop): jobs hand it to the commands they run, so
    // that stopping the queue does not wait for a slow tool to finish.
    const CancellationToken& cancellation() const { return cancellation_; }

    // Stops taking work and joins the worker. Safe to call twice; must not be
    // called from a job of this queue.
    void shutdown(Shutdown mode);

private:
    void work();

    std::string name_;
    Scheduler& mainThread_;
    std::shared_ptr<std::atomic<bool>> open_ = std::make_shared<std::atomic<bool>>(true);
    CancellationToken cancellation_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    bool dropPending_ = false;
    std::thread worker_;
};

}  // namespace corvane
