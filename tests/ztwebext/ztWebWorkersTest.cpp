// The worker pool: how many jobs run at once while they flow, stuck jobs handing their turn
// on, the queue bound and the drain at a stop.
#include "ztwebext/ztWebWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

ztWebWorkers::Settings settings(uint32_t inThreads, uint32_t inFlowing,
                                std::chrono::milliseconds inStuckAfter, uint32_t inQueued = 64) {
    ztWebWorkers::Settings result;
    result.itsThreads = inThreads;
    result.itsFlowing = inFlowing;
    result.itsStuckAfter = inStuckAfter;
    result.itsMaxQueued = inQueued;
    return result;
}

} // namespace

TEST(WebWorkers, RunsNoMoreThanTheFlowingLimitAtOnce) {
    // Stuck time far above the jobs' length: no job ever counts as stuck.
    ztWebWorkers workers(settings(8, 2, 60s));
    ASSERT_EQ(workers.start(), 0);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<int> done{0};
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(workers.post([&] {
            const int now = ++running;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(1ms);
            --running;
            ++done;
        }));
    // Not stop(): a stop drains the queue at full width.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (done.load() < 40 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(done.load(), 40);
    workers.stop();
    EXPECT_LE(most.load(), 2);
    EXPECT_GE(most.load(), 1);
}

TEST(WebWorkers, JobsBehindStuckOnesStillRun) {
    // Every flowing turn is held by a job that never ends on its own (a hung central
    // server); the queued job runs once they count as stuck, with no further post.
    for (const uint32_t blockers : {1u, 2u}) {
        SCOPED_TRACE(blockers);
        ztWebWorkers workers(settings(blockers + 1, blockers, 20ms));
        ASSERT_EQ(workers.start(), 0);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        for (uint32_t i = 0; i < blockers; ++i)
            ASSERT_TRUE(workers.post([released] { released.wait(); }));
        std::promise<void> ran;
        ASSERT_TRUE(workers.post([&ran] { ran.set_value(); }));
        EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
        release.set_value();
        workers.stop();
    }
}

TEST(WebWorkers, BoundsTheQueueAndDrainsItAtStop) {
    ztWebWorkers workers(settings(1, 1, 60s, 1));
    ASSERT_EQ(workers.start(), 0);
    std::promise<void> release;
    std::promise<void> started;
    std::atomic<int> done{0};
    ASSERT_TRUE(workers.post([&] {
        started.set_value();
        release.get_future().wait();
        ++done;
    }));
    started.get_future().wait();
    EXPECT_TRUE(workers.post([&] { ++done; }));
    EXPECT_FALSE(workers.post([&] { ++done; })) << "the queue holds one job";
    EXPECT_EQ(workers.busy(), 2u);
    release.set_value();
    workers.stop();
    EXPECT_EQ(done.load(), 2);
    EXPECT_FALSE(workers.post([] {})) << "a stopped pool takes no jobs";
}
