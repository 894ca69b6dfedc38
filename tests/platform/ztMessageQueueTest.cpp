// Thread message queues: who can receive, order, the readiness descriptor, windows, and
// the end of a queue with its thread.
#include "platform/ztMessageQueue.h"

#include "platform/ztMessageWindow.h"
#include "platform/ztPoll.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace zt::platform;

namespace {

bool queueFdReady() {
    PollEntry entry{messageQueueFd(), pollFlag::readable, 0};
    return pollFds({&entry, 1}, 0) == 1;
}

// A thread that reports its id, optionally creates its queue, and waits to be released.
class ParkedThread {
public:
    explicit ParkedThread(bool inWithQueue) {
        std::promise<ThreadId> id;
        itsThread = std::thread([this, inWithQueue, &id] {
            if (inWithQueue)
                messageQueueFd();
            id.set_value(currentThreadId());
            std::unique_lock lock(itsMutex);
            itsCondition.wait(lock, [this] { return itsReleased; });
        });
        itsId = id.get_future().get();
    }
    ~ParkedThread() { finish(); }

    ThreadId id() const { return itsId; }
    void finish() {
        {
            std::lock_guard lock(itsMutex);
            itsReleased = true;
        }
        itsCondition.notify_all();
        if (itsThread.joinable())
            itsThread.join();
    }

private:
    std::mutex itsMutex;
    std::condition_variable itsCondition;
    bool itsReleased = false;
    ThreadId itsId = 0;
    std::thread itsThread;
};

} // namespace

TEST(ztMessageQueue, onlyThreadsWithAQueueReceive) {
    ParkedThread without(false);
    EXPECT_FALSE(postThreadMessage(without.id(), 0x500, 1, 2));

    ParkedThread with(true);
    EXPECT_TRUE(postThreadMessage(with.id(), 0x500, 1, 2));

    // The queue ends with its thread.
    with.finish();
    EXPECT_FALSE(postThreadMessage(with.id(), 0x500, 1, 2));
}

TEST(ztMessageQueue, deliversInOrderAndSignalsWhileNotEmpty) {
    PostedMessage message;
    while (peekMessage(message)) {
    }
    EXPECT_FALSE(queueFdReady());

    const ThreadId self = currentThreadId();
    std::thread poster([self] {
        EXPECT_TRUE(postThreadMessage(self, 0x500, 0xAABBCCDDEEFF0011u, -5));
        EXPECT_TRUE(postThreadMessage(self, 0x501, 2, INT64_MAX));
    });
    poster.join();

    EXPECT_TRUE(queueFdReady());
    ASSERT_TRUE(peekMessage(message));
    EXPECT_EQ(message.window, 0u);
    EXPECT_EQ(message.message, 0x500u);
    EXPECT_EQ(message.wParam, 0xAABBCCDDEEFF0011u);
    EXPECT_EQ(message.lParam, -5);
    EXPECT_TRUE(queueFdReady()) << "one message still waits";
    ASSERT_TRUE(peekMessage(message));
    EXPECT_EQ(message.message, 0x501u);
    EXPECT_EQ(message.lParam, INT64_MAX);
    EXPECT_FALSE(peekMessage(message));
    EXPECT_FALSE(queueFdReady());
}

TEST(ztMessageQueue, windowMessagesReachTheOpeningThread) {
    PostedMessage message;
    while (peekMessage(message)) {
    }
    MessageWindow window;
    ASSERT_NE(window.id(), 0u);
    const WindowId id = window.id();
    std::thread poster([id] { EXPECT_TRUE(postWindowMessage(id, 0x502, 7, 8)); });
    poster.join();

    ASSERT_TRUE(peekMessage(message));
    EXPECT_EQ(message.window, id);
    EXPECT_EQ(message.message, 0x502u);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_EQ(message.lParam, 8);

    window = MessageWindow(); // closes the first window
    EXPECT_FALSE(postWindowMessage(id, 0x502, 7, 8));
    EXPECT_FALSE(postWindowMessage(0, 0x502, 7, 8));
}
