// The recursive mutexes (with and without the deadlock check): nesting, ownership, and
// mutual exclusion between threads.
#include "threads/ztSimpleMemMutex.h"

#include "platform/ztTickCount.h"
#include "threads/ztMemMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

template <typename Mutex> class RecursiveMutexTest : public ::testing::Test {};
using MutexTypes = ::testing::Types<ztSimpleMemMutex, ztMemMutex>;
TYPED_TEST_SUITE(RecursiveMutexTest, MutexTypes);

// Starts a thread that locks inMutex and records when it got it.
class Contender {
public:
    explicit Contender(ztMutex& ioMutex)
        : itsThread([this, &ioMutex] {
              ioMutex.lock();
              itsHolding = true;
              ioMutex.unlock();
          }) {}
    ~Contender() { itsThread.join(); }

    bool holding() const { return itsHolding; }
    // Whether the contender gets the mutex within inMillis.
    bool getsItWithin(uint32_t inMillis) const {
        const uint64_t deadline = zt::platform::monotonicMillis() + inMillis;
        while (!itsHolding && zt::platform::monotonicMillis() < deadline)
            std::this_thread::yield();
        return itsHolding;
    }

private:
    std::atomic<bool> itsHolding{false};
    std::thread itsThread;
};

} // namespace

TYPED_TEST(RecursiveMutexTest, theOwnerNeedsOneUnlockPerLock) {
    TypeParam mutex("nested");
    ASSERT_TRUE(mutex.lock());
    ASSERT_TRUE(mutex.lock());
    ASSERT_TRUE(mutex.lock());
    EXPECT_EQ(mutex.getLockingThreadID(), zt::platform::currentThreadId());

    Contender other(mutex);
    mutex.unlock();
    mutex.unlock();
    // Still held once: a short look is all a negative check can afford.
    EXPECT_FALSE(other.getsItWithin(30));
    EXPECT_TRUE(mutex.isLocked());
    mutex.unlock();
    EXPECT_TRUE(other.getsItWithin(10000));
}

TYPED_TEST(RecursiveMutexTest, anUnlockByAnotherThreadChangesNothing) {
    TypeParam mutex;
    ASSERT_TRUE(mutex.lock());
    std::thread stranger([&] { mutex.unlock(); });
    stranger.join();
    EXPECT_EQ(mutex.getLockingThreadID(), zt::platform::currentThreadId());
    mutex.unlock();
    EXPECT_FALSE(mutex.isLocked());
    EXPECT_EQ(mutex.getLockingThreadID(), 0u);
}

TYPED_TEST(RecursiveMutexTest, threadsTakeTurns) {
    TypeParam mutex;
    long counter = 0; // deliberately not atomic: the mutex must order every access
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                mutex.lock();
                mutex.lock();
                ++counter;
                mutex.unlock();
                mutex.unlock();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 4 * 2000);
}
