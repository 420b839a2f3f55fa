#include <chrono>
#include <future>
#include <optional>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/SerialQueue.h"

using namespace corvane;

namespace {

struct SerialQueueTest : ::testing::Test {
    ManualClock clock{WallTime::fromUnixSeconds(0)};
    ManualScheduler mainThread{clock};

    // Blocks until every job queued so far has run.
    static bool eventuallyRunning(const ChildRegistry& children)
    {
        for (int i = 0; i < 500 && children.running().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !children.running().empty();
    }

    static void waitForIdle(SerialQueue& queue)
    {
        std::promise<void> idle;
        ASSERT_TRUE(queue.async([&] { idle.set_value(); }));
        idle.get_future().wait();
    }
};

}  // namespace

TEST_F(SerialQueueTest, jobs_run_one_at_a_time_in_order_off_the_main_thread)
{
    SerialQueue queue("com.lunebox.devservers", mainThread);
    std::vector<int> order;  // touched only by the worker
    std::thread::id worker;
    for (int i = 0; i < 50; ++i) {
        queue.async([&, i] {
            order.push_back(i);
            worker = std::this_thread::get_id();
        });
    }
    waitForIdle(queue);
    std::vector<int> expected(50);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_NE(worker, std::this_thread::get_id());
}

TEST_F(SerialQueueTest, results_reach_the_main_thread_only_when_it_runs)
{
    SerialQueue queue("com.lunebox.docker", mainThread);
    std::vector<std::string> delivered;
    std::thread::id deliveredOn;
    queue.submit([] { return std::make_unique<std::string>("scan"); },
                 [&](std::unique_ptr<std::string> result) {
                     delivered.push_back(*result);
                     deliveredOn = std::this_thread::get_id();
                 });
    waitForIdle(queue);
    EXPECT_TRUE(delivered.empty());
    mainThread.runPending();
    EXPECT_EQ(delivered, std::vector<std::string>{"scan"});
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST_F(SerialQueueTest, shutdown_drains_or_drops_the_waiting_jobs_and_later_work_is_refused)
{
    for (auto mode : {SerialQueue::Shutdown::Drain, SerialQueue::Shutdown::Drop}) {
        SerialQueue queue("com.lunebox.transcripts", mainThread);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::promise<void> started;
        int ran = 0;
        queue.async([&, released] {
            started.set_value();
            released.wait();
            ++ran;
        });
        for (int i = 0; i < 3; ++i)
            queue.async([&] { ++ran; });
        started.get_future().wait();
        std::thread stopper([&] { queue.shutdown(mode); });
        while (queue.async([] {})) {  // wait until shutdown has begun
            std::this_thread::yield();
        }
        release.set_value();
        stopper.join();
        EXPECT_EQ(ran, mode == SerialQueue::Shutdown::Drain ? 4 : 1);
        EXPECT_FALSE(queue.async([] {}));
        queue.shutdown(mode);  // a second call is harmless
    }
}

TEST_F(SerialQueueTest, results_posted_before_shutdown_are_not_delivered_after_it)
{
    int delivered = 0;
    {
        SerialQueue queue("com.lunebox.hooks", mainThread);
        queue.submit([] { return 1; }, [&](int value) { delivered += value; });
        waitForIdle(queue);
    }
    mainThread.runPending();
    EXPECT_EQ(delivered, 0);
}

TEST_F(SerialQueueTest, a_job_that_throws_does_not_stop_the_queue)
{
    SerialQueue queue("com.lunebox.devservers", mainThread);
    bool later = false;
    queue.async([] { throw std::runtime_error("boom"); });
    queue.async([&] { later = true; });
    waitForIdle(queue);
    EXPECT_TRUE(later);
}

TEST_F(SerialQueueTest, dropping_the_queue_cancels_the_command_its_running_job_waits_for)
{
    ChildRegistry children;
    ProcessRunner runner(children);
    auto queue = std::make_unique<SerialQueue>("com.lunebox.brew", mainThread);
    std::optional<Error::Code> outcome;
    queue->async([&] {
        ProcessRequest request;
        request.program = "sleep";
        request.arguments = {"30"};
        request.cancellation = queue->cancellation();
        auto result = runner.run(request);
        outcome = result ? std::nullopt : std::optional(result.error().code);
    });
    ASSERT_TRUE(eventuallyRunning(children));
    auto start = std::chrono::steady_clock::now();
    queue.reset();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(outcome, Error::Code::Cancelled);
}
