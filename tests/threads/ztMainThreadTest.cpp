// The main thread object: always running, never started, registered for a caller.
#include "threads/ztMainThread.h"

#include <gtest/gtest.h>

#include <thread>

TEST(ztMainThread, standsForThreadsThatNoThreadObjectStarted) {
    ztMainThread& main = ztThread::mainThread();
    ztThread::enterFromOutside();
    EXPECT_TRUE(main.isRegistered());
    EXPECT_EQ(main.getName(), "main thread");
    EXPECT_EQ(main.getThreadState(), ztThread::State::running);
    EXPECT_EQ(ztThread::threadById(main.getThreadID()), &main);

    const ztThread* seen = nullptr;
    std::thread plain([&] { seen = &ztThread::currentThread(); });
    plain.join();
    EXPECT_EQ(seen, &main);
}

TEST(ztMainThread, isNeverStartedOrWaitedFor) {
    ztMainThread& main = ztThread::mainThread();
    const uint32_t started = ztThread::bodiesStarted();
    main.start(); // refused: it is running already
    main.wait(false);
    main.wait(true);
    EXPECT_EQ(main.getThreadState(), ztThread::State::running);
    EXPECT_EQ(ztThread::bodiesStarted(), started);
}
