// ztEventWaiter: a poll on the thread's wake-up descriptor ends when a watched event is set
// from another thread, a set just before the poll is not lost, clear() forgets what was
// seen, and events and threads cost no descriptor of their own.
#include "threads/ztEventWaiter.h"

#include "platform/ztPoll.h"
#include "platform/ztTickCount.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztSingleEvent.h"
#include "threads/ztThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>
#if !defined(_WIN32)
#include <dirent.h>
#endif

namespace {

bool readable(int inFd, int inTimeoutMs) {
    zt::platform::PollEntry entry{inFd, zt::platform::pollFlag::readable, 0};
    return zt::platform::pollFds({&entry, 1}, inTimeoutMs) == 1;
}

#if !defined(_WIN32)
size_t openDescriptors() {
    size_t count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return 0;
    while (::readdir(dir) != nullptr)
        ++count;
    ::closedir(dir);
    return count;
}
#endif

class Idle : public ztThread {
public:
    ~Idle() override { waitForBodyEnd(); }

protected:
    void run() override { waitForEvent(ztWaitInfinite, &getStopEvent(), 0, false); }
};

} // namespace

TEST(ztEventWaiter, aPollOnItsDescriptorEndsWhenAWatchedEventIsSet) {
    ztSingleEvent first;
    ztSingleEvent second;
    ztSingleEvent unwatched;
    ztMultiEvent either(&first, &second);
    ztEventWaiter waiter(&either, ztEventWaiter::Mode::descriptor);
    ASSERT_TRUE(waiter.valid());
    EXPECT_FALSE(readable(waiter.fd(), 0));

    unwatched.set();
    EXPECT_FALSE(readable(waiter.fd(), 0)) << "only watched events wake it";
    std::thread setter([&] { second.set(); });
    EXPECT_TRUE(readable(waiter.fd(), 60000));
    setter.join();
    waiter.clear();
    EXPECT_FALSE(readable(waiter.fd(), 0)) << "clear forgets the wake-up";
    EXPECT_TRUE(either.isSet()) << "the event keeps its state";

    first.pulse();
    EXPECT_TRUE(readable(waiter.fd(), 0)) << "a pulse wakes it too";
}

TEST(ztEventWaiter, aSetBeforeTheWaitIsNotLostAndOnlyTheCurrentStateCounts) {
    ztSingleEvent event;
    {
        ztEventWaiter waiter(&event, ztEventWaiter::Mode::condition);
        event.set();
        EXPECT_TRUE(waiter.waitUntil(0, true));
        waiter.clear();
        EXPECT_FALSE(waiter.waitUntil(zt::platform::monotonicMillis() + 20, false));
    }
    {
        // Set before the waiter existed: a poll must not sleep through it.
        ztEventWaiter set(&event, ztEventWaiter::Mode::descriptor);
        EXPECT_TRUE(readable(set.fd(), 0));
    }
    event.reset();
    ztEventWaiter next(&event, ztEventWaiter::Mode::descriptor);
    EXPECT_FALSE(readable(next.fd(), 0)) << "a wake-up of an earlier wait is forgotten";
}

#if !defined(_WIN32)
// Descriptors are counted through /proc; Windows handles have no such limit to save.
TEST(ztEventWaiter, eventsAndThreadsTakeNoDescriptorOfTheirOwn) {
    const size_t before = openDescriptors();
    {
        std::vector<std::unique_ptr<ztSingleEvent>> events;
        for (int i = 0; i < 100; ++i)
            events.push_back(std::make_unique<ztSingleEvent>());
        std::vector<std::unique_ptr<Idle>> threads;
        for (int i = 0; i < 20; ++i) {
            threads.push_back(std::make_unique<Idle>());
            threads.back()->start();
        }
        EXPECT_EQ(openDescriptors(), before);
        for (auto& thread : threads)
            thread->stopAndWait(0);
    }
    EXPECT_EQ(openDescriptors(), before);
}
#endif
