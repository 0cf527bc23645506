#include "link/request_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace tals;

namespace {

bool WaitUntil(const std::function<bool()> &condition)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(RequestThread, ResumingARunningStepDoesNotPileUpSteps)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> started{0};
    TRequestThread worker([&] {
        ++started;
        released.wait();
    });
    worker.start();
    // Created suspended: nothing runs until resumed.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(worker.Suspended());

    worker.Resume();
    ASSERT_TRUE(WaitUntil([&] { return started == 1; }));
    EXPECT_FALSE(worker.Suspended());
    worker.Resume(); // ticks while the step runs
    worker.Resume();
    release.set_value();
    ASSERT_TRUE(WaitUntil([&] { return worker.StepCount() == 1 && worker.Suspended(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(started, 1);

    worker.Resume();
    ASSERT_TRUE(WaitUntil([&] { return worker.StepCount() == 2; }));
    worker.Terminate();
    EXPECT_TRUE(worker.wait(20000));
    EXPECT_TRUE(worker.Terminated());
}

TEST(RequestThread, AFailingStepIsAbandonedAndTheNextRuns)
{
    int steps = 0;
    TRequestThread worker([&] {
        if (++steps == 1)
            throw std::runtime_error("step failed");
    });
    worker.start();
    worker.Resume();
    ASSERT_TRUE(WaitUntil([&] { return worker.StepCount() == 1 && worker.Suspended(); }));
    worker.Resume();
    ASSERT_TRUE(WaitUntil([&] { return worker.StepCount() == 2; }));
    EXPECT_EQ(steps, 2);
}

} // namespace
