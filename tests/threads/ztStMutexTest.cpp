// The scoped guard: one lock from construction to scope end, unlock and relock in between.
#include "threads/ztStMutex.h"

#include "threads/ztMemMutex.h"

#include <gtest/gtest.h>

TEST(ztStMutex, holdsTheMutexForItsScope) {
    ztMemMutex mutex;
    {
        ztStMutex guard(&mutex);
        EXPECT_TRUE(guard.isLocked());
        EXPECT_TRUE(mutex.isLocked());
        guard.unlock();
        guard.unlock(); // a second unlock must not give back a lock it does not hold
        EXPECT_FALSE(mutex.isLocked());
        guard.relock();
        guard.relock();
        EXPECT_TRUE(mutex.isLocked());
    }
    EXPECT_FALSE(mutex.isLocked()) << "relock twice still means one lock";
}

TEST(ztStMutex, aNullMutexIsLeftAlone) {
    ztStMutex guard(nullptr);
    EXPECT_FALSE(guard.isLocked());
    guard.relock();
    guard.unlock();
    EXPECT_FALSE(guard.isLocked());
}
