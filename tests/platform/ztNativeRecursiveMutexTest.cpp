// The recursive mutex: its owner locks it again; others wait for the last unlock.
#include "platform/ztNativeRecursiveMutex.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

using namespace zt::platform;

namespace {

int tryLockFromAnotherThread(NativeRecursiveMutex& ioMutex) {
    int result = -1;
    std::thread other([&] {
        result = ioMutex.tryLock();
        if (result == 0)
            ioMutex.unlock();
    });
    other.join();
    return result;
}

} // namespace

TEST(ztNativeRecursiveMutex, needsOneUnlockPerLock) {
    NativeRecursiveMutex mutex;
    ASSERT_EQ(mutex.lock(), 0);
    ASSERT_EQ(mutex.lock(), 0);
    EXPECT_EQ(tryLockFromAnotherThread(mutex), EBUSY);
    ASSERT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(tryLockFromAnotherThread(mutex), EBUSY);
    ASSERT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(tryLockFromAnotherThread(mutex), 0);
}
