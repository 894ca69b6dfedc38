// Waiting for any of several descriptors: which one is ready, time-outs, plain descriptors
// (standing in for sockets) beside events, and signals during the wait.
#include "platform/ztPoll.h"

#include "platform/ztEventFd.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace zt::platform;

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    int readEnd() const { return fds[0]; }
    int writeEnd() const { return fds[1]; }
    void closeRead() {
        if (fds[0] >= 0)
            ::close(fds[0]);
        fds[0] = -1;
    }
    void closeWrite() {
        if (fds[1] >= 0)
            ::close(fds[1]);
        fds[1] = -1;
    }
};

} // namespace

TEST(ztPoll, timesOutAfterTheTimeWithNothingReady) {
    EventFd event;
    ASSERT_EQ(EventFd::create(event), 0);
    PollEntry entry{event.fd(), pollFlag::readable, 0};
    const uint64_t begin = monotonicMillis();
    EXPECT_EQ(pollFds({&entry, 1}, 60), 0);
    const uint64_t elapsed = monotonicMillis() - begin;
    EXPECT_GE(elapsed, 60u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_EQ(entry.ready, 0);
}

TEST(ztPoll, reportsExactlyTheReadyEntries) {
    std::array<EventFd, 3> events;
    for (EventFd& event : events)
        ASSERT_EQ(EventFd::create(event), 0);
    for (size_t setIndex = 0; setIndex < events.size(); ++setIndex) {
        SCOPED_TRACE(setIndex);
        events[setIndex].set();
        std::array<PollEntry, 3> entries;
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i] = {events[i].fd(), pollFlag::readable, 0xFF};
        ASSERT_EQ(pollFds(entries, pollForever), 1);
        for (size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(entries[i].ready, i == setIndex ? pollFlag::readable : 0) << i;
        events[setIndex].reset();
    }
}

TEST(ztPoll, plainDescriptorsWaitBesideEvents) {
    EventFd event;
    ASSERT_EQ(EventFd::create(event), 0);
    Pipe pipe;
    std::array<PollEntry, 3> entries{{{event.fd(), pollFlag::readable, 0},
                                      {pipe.readEnd(), pollFlag::readable, 0},
                                      {-1, pollFlag::readable, 0}}};

    std::thread writer([&] { EXPECT_EQ(::write(pipe.writeEnd(), "x", 1), 1); });
    EXPECT_EQ(pollFds(entries, 5000), 1);
    writer.join();
    EXPECT_EQ(entries[0].ready, 0);
    EXPECT_EQ(entries[1].ready, pollFlag::readable);
    EXPECT_EQ(entries[2].ready, 0) << "a negative descriptor is skipped";

    PollEntry writable{pipe.writeEnd(), pollFlag::writable, 0};
    EXPECT_EQ(pollFds({&writable, 1}, 0), 1);
    EXPECT_EQ(writable.ready, pollFlag::writable);
}

TEST(ztPoll, reportsHangUpAndClosedDescriptors) {
    Pipe pipe;
    pipe.closeWrite();
    PollEntry hungUp{pipe.readEnd(), pollFlag::readable, 0};
    ASSERT_EQ(pollFds({&hungUp, 1}, 1000), 1);
    EXPECT_TRUE(hungUp.ready & pollFlag::hangUp);

    const int closedFd = pipe.readEnd();
    pipe.closeRead();
    PollEntry closed{closedFd, pollFlag::readable, 0};
    ASSERT_EQ(pollFds({&closed, 1}, 1000), 1);
    EXPECT_TRUE(closed.ready & pollFlag::invalid);
}

TEST(ztPoll, signalsDoNotShortenTheWait) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: poll fails with EINTR
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    std::atomic<bool> done{false};
    int result = -1;
    uint64_t elapsed = 0;
    std::thread waiter([&] {
        EventFd event;
        ASSERT_EQ(EventFd::create(event), 0);
        PollEntry entry{event.fd(), pollFlag::readable, 0};
        const uint64_t begin = monotonicMillis();
        result = pollFds({&entry, 1}, 200);
        elapsed = monotonicMillis() - begin;
        done = true;
    });
    const pthread_t target = waiter.native_handle();
    while (!done) {
        ::pthread_kill(target, SIGUSR1);
        sleepMillis(10);
    }
    waiter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_GE(elapsed, 200u);
}
