// waitForEvent: the immediate answers, waits ended by another thread, the signal-count
// check that closes the gap before a pumping wait, and what pumping does with messages.
#include "threads/ztEvent.h"

#include "platform/ztMessageQueue.h"
#include "platform/ztTickCount.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zt::platform;

namespace {

void dropMessages() {
    PostedMessage message;
    while (peekMessage(message)) {
    }
}

// The time a call took, in milliseconds.
template <typename Call> uint64_t timed(Call inCall) {
    const uint64_t begin = monotonicMillis();
    inCall();
    return monotonicMillis() - begin;
}

enum class Given { noEvent, clearEvent, setEvent };

} // namespace

TEST(waitForEvent, answersWithoutWaitingOrWaitsTheWholeTime) {
    struct Row {
        const char* name;
        uint32_t millis;
        Given given;
        bool expected;
        uint64_t minElapsed;
        uint64_t maxElapsed;
    };
    const Row rows[] = {
        {"0 ms, clear event", 0, Given::clearEvent, true, 0, 1000},
        {"0 ms, set event", 0, Given::setEvent, false, 0, 1000},
        {"0 ms, no event", 0, Given::noEvent, true, 0, 1000},
        {"set event, long time", 60000, Given::setEvent, false, 0, 1000},
        {"no event sleeps", 40, Given::noEvent, true, 40, 2000},
        {"clear event times out", 40, Given::clearEvent, true, 40, 2000},
    };
    for (const bool pump : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (pump ? ", pumping" : ""));
            ztSingleEvent event;
            if (row.given == Given::setEvent)
                event.set();
            ztEvent* target = row.given == Given::noEvent ? nullptr : &event;
            bool result = !row.expected;
            const uint64_t elapsed = timed(
                [&] { result = waitForEvent(row.millis, target, event.getSignalCount(), pump); });
            EXPECT_EQ(result, row.expected);
            EXPECT_GE(elapsed, row.minElapsed);
            EXPECT_LT(elapsed, row.maxElapsed);
        }
    }
}

TEST(waitForEvent, endsWhenAnotherThreadSetsTheEvent) {
    for (const bool pump : {false, true}) {
        SCOPED_TRACE(pump ? "pumping" : "not pumping");
        ztSingleEvent first;
        ztSingleEvent second;
        ztMultiEvent either(&first, &second);
        const uint32_t count = either.getSignalCount();
        std::thread setter([&] {
            sleepMillis(20); // usually after the wait began; before it is fine too
            second.set();
        });
        bool result = true;
        const uint64_t elapsed = timed([&] { result = waitForEvent(60000, &either, count, pump); });
        setter.join();
        EXPECT_FALSE(result);
        EXPECT_LT(elapsed, 30000u);
        EXPECT_EQ(either.getSetEvent(), &second);
    }
}

TEST(waitForEvent, aSignalBeforeAPumpingWaitIsNotLost) {
    ztSingleEvent event;
    const uint32_t seen = event.getSignalCount();
    // Set and cleared again between reading the count and waiting: only the count shows it.
    std::thread pulser([&] { event.pulse(); });
    pulser.join();
    ASSERT_FALSE(event.isSet());

    bool result = true;
    const uint64_t elapsed = timed([&] { result = waitForEvent(60000, &event, seen, true); });
    EXPECT_FALSE(result);
    EXPECT_LT(elapsed, 1000u);

    // With the count up to date the same call waits its time.
    EXPECT_TRUE(waitForEvent(30, &event, event.getSignalCount(), true));
}

TEST(waitForEvent, pumpingDropsQueuedMessagesAndReleasesTheTarget) {
    messageQueueFd();
    dropMessages();
    ASSERT_TRUE(postThreadMessage(currentThreadId(), 0x400, 1, 1));
    ztSingleEvent event;

    // A message queued before the call neither ends the wait nor survives it.
    const uint64_t elapsed =
        timed([&] { EXPECT_TRUE(waitForEvent(40, &event, event.getSignalCount(), true)); });
    EXPECT_GE(elapsed, 40u);
    PostedMessage message;
    EXPECT_FALSE(peekMessage(message));

    // The event no longer posts to this thread once the wait is over.
    event.set();
    EXPECT_FALSE(peekMessage(message));
}

TEST(waitForEvent, aMessagePostedDuringAPumpingWaitEndsIt) {
    messageQueueFd();
    dropMessages();
    ztSingleEvent event;
    const ThreadId self = currentThreadId();
    std::atomic<bool> done{false};
    // Messages posted before the wait drains the queue are dropped, so keep posting.
    std::thread poster([&] {
        while (!done) {
            postThreadMessage(self, 0x400, 0, 0);
            sleepMillis(5);
        }
    });
    bool result = true;
    const uint64_t elapsed =
        timed([&] { result = waitForEvent(60000, &event, event.getSignalCount(), true); });
    done = true;
    poster.join();
    EXPECT_FALSE(result);
    EXPECT_LT(elapsed, 30000u);
    EXPECT_FALSE(event.isSet());
    dropMessages();
}
