// The condition variable's waits: woken by a signal, or given up at a monotonic deadline.
#include "platform/ztNativeCondition.h"

#include "platform/ztNativeMutex.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <thread>

using namespace zt::platform;

TEST(ztNativeCondition, waitUntilGivesUpAtTheDeadline) {
    NativeMutex mutex;
    NativeCondition condition;
    std::lock_guard lock(mutex);
    const uint64_t deadline = monotonicMillis() + 50;
    int result = 0;
    while ((result = condition.waitUntil(mutex, deadline)) == 0) {
        // spurious wake-up: the deadline stays where it was
    }
    EXPECT_EQ(result, ETIMEDOUT);
    EXPECT_GE(monotonicMillis(), deadline);
}

TEST(ztNativeCondition, signalWakesAWaiter) {
    NativeMutex mutex;
    NativeCondition condition;
    bool ready = false;
    std::thread signaller([&] {
        std::lock_guard lock(mutex);
        ready = true;
        condition.signal();
    });
    {
        std::lock_guard lock(mutex);
        const uint64_t deadline = monotonicMillis() + 5000;
        while (!ready && condition.waitUntil(mutex, deadline) == 0) {
        }
        EXPECT_TRUE(ready);
    }
    signaller.join();
}
