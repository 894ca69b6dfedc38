// waitForEvent: one poll over the event's descriptors, plus the thread's message queue
// when pumping.
#include "threads/ztEvent.h"

#include "platform/ztPoll.h"

namespace {

int64_t pollTimeOf(uint32_t inMillis) {
    return inMillis == ztWaitInfinite ? zt::platform::pollForever : static_cast<int64_t>(inMillis);
}

// Waits for any of the descriptors; true when the time ran out. A failed poll counts as
// a wake-up, as a failed wait does on the original platform.
bool waitForAny(const std::vector<int>& inFds, uint32_t inMillis) {
    std::vector<zt::platform::PollEntry> entries;
    entries.reserve(inFds.size());
    for (const int fd : inFds)
        entries.push_back({fd, zt::platform::pollFlag::readable, 0});
    return zt::platform::pollFds(entries, pollTimeOf(inMillis)) == 0;
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
        waitForAny({}, inMillis);
        return true;
    }
    std::vector<int> fds;
    inEvent->addHandles(fds);
    if (!inPumpMessages) {
        const bool timedOut = waitForAny(fds, inMillis);
        // Reading the count pairs this thread with the setter's increment, so what the
        // setter wrote before set() is visible here (the kernel wake-up alone is not an
        // ordering the memory model knows).
        inEvent->getSignalCount();
        return timedOut;
    }

    inEvent->setThreadTarget(zt::platform::currentThreadId(), ztEventNotifyMessage, 0);
    dropQueuedMessages();
    bool timedOut = false;
    if (inEvent->getSignalCount() == inExpectedCount) {
        const int queueFd = zt::platform::messageQueueFd();
        if (queueFd >= 0)
            fds.push_back(queueFd);
        timedOut = waitForAny(fds, inMillis);
        inEvent->getSignalCount();
    }
    inEvent->setThreadTarget(0, 0, 0);
    return timedOut;
}
