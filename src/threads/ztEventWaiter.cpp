// ztEventWaiter: the registration with the events, the condition wait, and the wake-up
// descriptor each polling thread keeps for its whole life.
#include "threads/ztEventWaiter.h"

#include "threads/ztEvent.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <utility>

namespace {

// Created on the first polling wait of a thread and closed when the thread ends. Only its
// own thread resets it; events set it from any thread while a waiter of this thread is
// registered with them.
thread_local zt::platform::EventFd tWakeUp;
// Whether tWakeUp may be set: a wake-up marks it before setting the descriptor, so that
// clearing an unset descriptor (most waits start so) costs no system call.
thread_local std::atomic<bool> tWakeUpMarked{false};

} // namespace

ztEventWaiter::ztEventWaiter(ztEvent* inEvent, Mode inMode) : itsEvent(inEvent), itsMode(inMode) {
    if (itsMode == Mode::descriptor && prepareThread() == 0) {
        itsWakeUp = &tWakeUp;
        itsWakeUpMarked = &tWakeUpMarked;
        itsFd = tWakeUp.fd();
    }
    if (itsEvent != nullptr)
        itsEvent->addWaiter(this);
    // A wake-up left from an earlier wait of this thread would end the first poll early,
    // and an event set before the registration would not wake it at all: the descriptor
    // starts out as the events are now.
    clear();
    if (itsEvent != nullptr && itsEvent->isSet())
        wake();
}

ztEventWaiter::~ztEventWaiter() {
    if (itsEvent != nullptr)
        itsEvent->removeWaiter(this);
}

int ztEventWaiter::prepareThread() {
    if (tWakeUp.valid())
        return 0;
    return zt::platform::EventFd::create(tWakeUp);
}

void ztEventWaiter::adoptThreadDescriptor(zt::platform::EventFd ioDescriptor) {
    if (!tWakeUp.valid())
        tWakeUp = std::move(ioDescriptor);
}

void ztEventWaiter::clear() {
    if (itsWakeUp != nullptr) {
        if (itsWakeUpMarked->exchange(false))
            itsWakeUp->reset();
        return;
    }
    std::lock_guard lock(itsMutex);
    itsWoken = false;
}

void ztEventWaiter::clearReported() {
    if (itsWakeUp == nullptr)
        return;
    // Read whatever the mark says: a wake-up that marked the descriptor before an earlier
    // clear and set it only afterwards leaves it set and unmarked.
    itsWakeUpMarked->store(false);
    itsWakeUp->reset();
}

bool ztEventWaiter::waitUntil(uint64_t inDeadline, bool inForever) {
    std::lock_guard lock(itsMutex);
    while (!itsWoken) {
        if (inForever)
            itsCondition.wait(itsMutex);
        else if (itsCondition.waitUntil(itsMutex, inDeadline) == ETIMEDOUT)
            return itsWoken;
    }
    return true;
}

void ztEventWaiter::wake() {
    if (itsWakeUp != nullptr) {
        // The waiting thread's descriptor, not the caller's. A failed write can only be a
        // counter at its maximum, and then the waiter is woken already.
        itsWakeUpMarked->store(true);
        itsWakeUp->set();
        return;
    }
    {
        std::lock_guard lock(itsMutex);
        itsWoken = true;
    }
    // Signalled once the lock is free, so the woken thread does not block on it at once.
    // The event calls this under its own lock, which the waiter's destructor takes too:
    // the waiter is still there.
    itsCondition.signal();
}
