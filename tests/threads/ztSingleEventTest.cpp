// Single events: level semantics, signal counts, failures without a handle, and the
// notification messages posted to a thread or window.
#include "threads/ztSingleEvent.h"

#include "messages/ztException.h"
#include "platform/ztMessageQueue.h"
#include "platform/ztMessageWindow.h"

#include <gtest/gtest.h>

#include <thread>
#if !defined(_WIN32)
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace zt::platform;

namespace {

void dropMessages() {
    PostedMessage message;
    while (peekMessage(message)) {
    }
}

} // namespace

TEST(ztSingleEvent, staysSetUntilResetAndCountsSignals) {
    ztSingleEvent event;
    EXPECT_FALSE(event.isSet());
    EXPECT_EQ(event.getSetEvent(), nullptr);
    EXPECT_EQ(event.getSignalCount(), 0u);
    EXPECT_EQ(event.getEventCount(), 1u);

    std::thread setter([&] { event.set(); });
    setter.join();
    EXPECT_TRUE(event.isSet());
    EXPECT_TRUE(event.isSet()) << "reading does not consume the signal";
    EXPECT_EQ(event.getSetEvent(), &event);
    event.set();
    EXPECT_EQ(event.getSignalCount(), 2u);

    event.reset();
    EXPECT_FALSE(event.isSet());
    event.pulse();
    EXPECT_FALSE(event.isSet()) << "a pulse leaves the event clear";
    EXPECT_EQ(event.getSignalCount(), 3u) << "but it counts";

    std::vector<int> handles;
    event.addHandles(handles);
    ASSERT_EQ(handles.size(), 1u);
    EXPECT_GE(handles[0], 0);
}

TEST(ztSingleEvent, withoutAHandleEveryChangeFailsWithResFull) {
    ztSingleEvent event(false);
    EXPECT_FALSE(event.isSet());
    std::vector<int> handles;
    event.addHandles(handles);
    EXPECT_TRUE(handles.empty());
    for (const char* operation : {"set", "reset", "pulse"}) {
        SCOPED_TRACE(operation);
        try {
            if (operation[0] == 's')
                event.set();
            else if (operation[0] == 'r')
                event.reset();
            else
                event.pulse();
            ADD_FAILURE() << "no exception";
        } catch (const ztException& inException) {
            EXPECT_EQ(inException.getErrorValue(), ztErr_resFull);
            EXPECT_STREQ(inException.what(), "");
        }
    }
}

#if !defined(_WIN32)
// Descriptors and their limits are a Linux notion; Windows events have no such limit.
// Events keep their state without a descriptor, so a process out of descriptors can still
// stop its threads; only a caller that asks for a descriptor to poll is refused.
TEST(ztSingleEvent, worksWithoutAFreeDescriptorAndOnlyAddHandlesIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' own checks open pipes; without a free descriptor they misreport.
    GTEST_SKIP() << "needs free descriptors under the sanitizers";
#endif
    // dup returns the lowest free descriptor, so every one below it is taken: with the
    // limit there, nothing can get a descriptor.
    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    ztErr error = ztErr_noError;
    bool timedOut = true;
    bool setSeen = false;
    try {
        ztSingleEvent event;
        std::thread setter([&] { event.set(); });
        timedOut = waitForEvent(60000, &event, 0, false);
        setter.join();
        setSeen = event.isSet();
        event.reset();
        std::vector<int> handles;
        event.addHandles(handles);
    } catch (const ztException& inException) {
        error = inException.getErrorValue();
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(setSeen);
    EXPECT_EQ(error, ztErr_resFull);
}

TEST(ztSingleEvent, itsDescriptorFollowsTheStateOnceAskedFor) {
    ztSingleEvent event;
    event.set();
    std::vector<int> handles;
    event.addHandles(handles);
    ASSERT_EQ(handles.size(), 1u);
    pollfd entry{handles[0], POLLIN, 0};
    EXPECT_EQ(::poll(&entry, 1, 0), 1) << "made while set: readable";
    event.reset();
    EXPECT_EQ(::poll(&entry, 1, 0), 0);
    event.set();
    EXPECT_EQ(::poll(&entry, 1, 0), 1);
    handles.clear();
    event.addHandles(handles);
    EXPECT_EQ(handles[0], entry.fd) << "one descriptor per event";
}

#endif

TEST(ztSingleEvent, postsToItsThreadTargetWhenSetOrPulsed) {
    messageQueueFd(); // this thread gets a queue
    dropMessages();
    ztSingleEvent event;
    event.setThreadTarget(currentThreadId(), 0x777, -42);
    std::thread setter([&] {
        event.set();
        event.pulse();
    });
    setter.join();

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        PostedMessage message;
        ASSERT_TRUE(peekMessage(message));
        EXPECT_EQ(message.window, 0u);
        EXPECT_EQ(message.message, 0x777u);
        EXPECT_EQ(message.wParam, reinterpret_cast<uintptr_t>(&event));
        EXPECT_EQ(message.lParam, -42);
    }

    event.setThreadTarget(0, 0, 0);
    event.set();
    PostedMessage message;
    EXPECT_FALSE(peekMessage(message)) << "a cleared target gets nothing";
}

TEST(ztSingleEvent, postsToItsWindowTarget) {
    dropMessages();
    MessageWindow window;
    ASSERT_NE(window.id(), 0u);
    ztSingleEvent event;
    event.setWindowTarget(window.id(), ztEventNotifyMessage, 9);
    std::thread setter([&] { event.set(); });
    setter.join();

    PostedMessage message;
    ASSERT_TRUE(peekMessage(message));
    EXPECT_EQ(message.window, window.id());
    EXPECT_EQ(message.message, ztEventNotifyMessage);
    EXPECT_EQ(message.wParam, reinterpret_cast<uintptr_t>(&event));
    EXPECT_EQ(message.lParam, 9);
}

TEST(ztSingleEvent, aTargetThatIsGoneDoesNotFailTheSetter) {
    ThreadId ended = 0;
    std::thread gone([&] {
        messageQueueFd();
        ended = currentThreadId();
    });
    gone.join();
    ztSingleEvent event;
    event.setThreadTarget(ended, ztEventNotifyMessage, 0);
    EXPECT_NO_THROW(event.set());
    EXPECT_TRUE(event.isSet());
}
