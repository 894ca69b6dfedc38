// The reader/writer lock: readers share it, a writer has it alone.
#include "platform/ztNativeRwLock.h"

#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

using namespace zt::platform;

namespace {

// Spins (yielding) until inCondition holds or five seconds have passed.
template <typename Condition> bool eventually(Condition inCondition) {
    const uint64_t deadline = monotonicMillis() + 5000;
    while (!inCondition()) {
        if (monotonicMillis() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(ztNativeRwLock, readersHoldItTogether) {
    NativeRwLock lock;
    std::atomic<int> holding{0};
    std::atomic<bool> bothSeen{false};
    auto reader = [&] {
        ASSERT_EQ(lock.lockShared(), 0);
        ++holding;
        if (eventually([&] { return holding.load() == 2; }))
            bothSeen = true;
        EXPECT_EQ(lock.unlockShared(), 0);
    };
    std::thread first(reader);
    std::thread second(reader);
    first.join();
    second.join();
    EXPECT_TRUE(bothSeen);
}

TEST(ztNativeRwLock, aWriterWaitsForTheReaders) {
    NativeRwLock lock;
    ASSERT_EQ(lock.lockShared(), 0);
    std::atomic<bool> writing{false};
    std::thread writer([&] {
        ASSERT_EQ(lock.lock(), 0);
        writing = true;
        EXPECT_EQ(lock.unlock(), 0);
    });
    sleepMillis(30);
    EXPECT_FALSE(writing) << "the writer got in beside a reader";
    EXPECT_EQ(lock.unlockShared(), 0);
    writer.join();
    EXPECT_TRUE(writing);
    EXPECT_EQ(lock.lock(), 0);
    EXPECT_EQ(lock.lock(), EDEADLK) << "not recursive";
    EXPECT_EQ(lock.unlock(), 0);
}
