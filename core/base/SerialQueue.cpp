#include "core/base/SerialQueue.h"

#include <exception>

#include <pthread.h>

#include "core/base/Log.h"

namespace corvane {

namespace {

const Logger logger("queue");

// Linux keeps 15 characters of a thread name; the last part of a dotted
// queue name is the part worth seeing in a debugger.
std::string threadName(const std::string& queueName)
{
    auto dot = queueName.rfind('.');
    std::string tail = dot == std::string::npos ? queueName : queueName.substr(dot + 1);
    return tail.substr(0, 15);
}

}  // namespace

SerialQueue::SerialQueue(std::string name, Scheduler& mainThread)
    : name_(std::move(name))
    , mainThread_(mainThread)
    , worker_([this] { work(); })
{
}

SerialQueue::~SerialQueue() { shutdown(Shutdown::Drop); }

bool SerialQueue::async(Job job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void SerialQueue::toMainThread(Scheduler::Task task)
{
    mainThread_.post([open = open_, task = std::move(task)] {
        if (open->load())
            task();
    });
}

void SerialQueue::shutdown(Shutdown mode)
{
    open_->store(false);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (mode == Shutdown::Drop)
            dropPending_ = true;
    }
    if (mode == Shutdown::Drop)
        cancellation_.cancel();
    wake_.notify_one();
    if (worker_.joinable())
        worker_.join();
}

void SerialQueue::work()
{
    ::pthread_setname_np(::pthread_self(), threadName(name_).c_str());
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (dropPending_)
                jobs_.clear();
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // One failing job must not take the queue, or the program, with it.
        try {
            job();
        } catch (const std::exception& error) {
            logger.error("a job on {} failed: {}", name_, error.what());
        }
    }
}

}  // namespace corvane
