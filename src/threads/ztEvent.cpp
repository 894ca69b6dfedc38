// waitForEvent: a condition wait registered with the event's members, or, when pumping, one
// poll over the thread's message queue, to which the event posts while the call waits.
#include "threads/ztEvent.h"

#include "platform/ztPoll.h"
#include "platform/ztTickCount.h"
#include "threads/ztEventWaiter.h"

namespace {

int64_t pollTimeOf(uint32_t inMillis) {
    return inMillis == ztWaitInfinite ? zt::platform::pollForever : static_cast<int64_t>(inMillis);
}

// Waits until ioEvent is set; true when the time ran out first.
bool waitOnCondition(ztEvent& ioEvent, uint32_t inMillis) {
    const bool forever = inMillis == ztWaitInfinite;
    const uint64_t deadline = zt::platform::monotonicMillis() + inMillis;
    ztEventWaiter waiter(&ioEvent, ztEventWaiter::Mode::condition);
    for (;;) {
        // Registered before looking, so a set between the look and the wait wakes it.
        if (ioEvent.isSet())
            return false;
        if (!waiter.waitUntil(deadline, forever))
            return !ioEvent.isSet();
        waiter.clear();
    }
}

void dropQueuedMessages() {
    zt::platform::PostedMessage message;
    while (zt::platform::peekMessage(message)) {
    }
}

} // namespace

bool waitForEvent(uint32_t inMillis, ztEvent* inEvent, uint32_t inExpectedCount,
                  bool inPumpMessages) {
    if (inEvent != nullptr && inEvent->isSet())
        return false;
    if (inMillis == 0)
        return true;
    if (inEvent == nullptr) {
        zt::platform::pollFds({}, pollTimeOf(inMillis));
        return true;
    }
    if (!inPumpMessages)
        return waitOnCondition(*inEvent, inMillis);

    inEvent->setThreadTarget(zt::platform::currentThreadId(), ztEventNotifyMessage, 0);
    dropQueuedMessages();
    bool timedOut = false;
    if (inEvent->getSignalCount() == inExpectedCount) {
        const int queueFd = zt::platform::messageQueueFd();
        if (queueFd >= 0) {
            // Every set or pulse of the event posts to this thread now, so the queue alone
            // tells both a signal and any other message. A failed poll counts as a wake-up,
            // as a failed wait does on the original platform.
            zt::platform::PollEntry entry{queueFd, zt::platform::pollFlag::readable, 0};
            timedOut = zt::platform::pollFds({&entry, 1}, pollTimeOf(inMillis)) == 0;
        } else {
            timedOut = waitOnCondition(*inEvent, inMillis);
        }
        inEvent->getSignalCount();
    }
    inEvent->setThreadTarget(0, 0, 0);
    return timedOut;
}
