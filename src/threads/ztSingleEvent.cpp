// ztSingleEvent: a flag under a lock, the waiters it wakes, and a descriptor made only for
// callers that poll it themselves.
#include "threads/ztSingleEvent.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "threads/ztEventWaiter.h"
#include "threads/ztStMutex.h"

#include <algorithm>
#include <mutex>

namespace {

[[noreturn]] void throwResFull() {
    ztLog(6, "throwing ztErr_resFull");
    throw ztException(ztErr_resFull);
}

bool handleIsSet(const zt::platform::EventFd& inHandle) {
    bool set = false;
    return inHandle.valid() && inHandle.isSet(set) == 0 && set;
}

} // namespace

ztSingleEvent::ztSingleEvent(bool inCreate) : itsUsable(inCreate) {}

ztSingleEvent::ztSingleEvent(zt::platform::EventFd inHandle)
    : itsUsable(inHandle.valid()), itsSet(handleIsSet(inHandle)), itsHandle(std::move(inHandle)) {}

ztSingleEvent::~ztSingleEvent() = default;

bool ztSingleEvent::isSet() const {
    // Acquire pairs with the release in set(): what the setter wrote before is visible now.
    return itsSet.load(std::memory_order_acquire);
}

ztEvent* ztSingleEvent::getSetEvent() {
    return isSet() ? this : nullptr;
}

void ztSingleEvent::set() {
    requireEvent();
    itsSignalCount.fetch_add(1);
    {
        std::lock_guard lock(itsStateMutex);
        itsSet.store(true, std::memory_order_release);
        if (itsHandle.valid() && itsHandle.set() != 0)
            throwResFull();
        for (ztEventWaiter* waiter : itsWaiters)
            waiter->wake();
    }
    notifyTargets();
}

void ztSingleEvent::reset() {
    requireEvent();
    std::lock_guard lock(itsStateMutex);
    itsSet.store(false, std::memory_order_release);
    if (itsHandle.valid() && itsHandle.reset() != 0)
        throwResFull();
}

void ztSingleEvent::pulse() {
    requireEvent();
    itsSignalCount.fetch_add(1);
    {
        std::lock_guard lock(itsStateMutex);
        // Waiters wake and find the event clear, as a pulse on the original platform leaves
        // it; only signal counts show that it happened.
        if (itsHandle.valid() && (itsHandle.set() != 0 || itsHandle.reset() != 0))
            throwResFull();
        itsSet.store(false, std::memory_order_release);
        for (ztEventWaiter* waiter : itsWaiters)
            waiter->wake();
    }
    notifyTargets();
}

uint32_t ztSingleEvent::getSignalCount() const {
    return itsSignalCount.load();
}

void ztSingleEvent::addHandles(std::vector<int>& ioHandles) const {
    if (!itsUsable)
        return;
    std::lock_guard lock(itsStateMutex);
    if (!itsHandle.valid()) {
        zt::platform::EventFd handle;
        if (zt::platform::EventFd::create(handle) != 0 || (isSet() && handle.set() != 0))
            throwResFull();
        itsHandle = std::move(handle);
    }
    ioHandles.push_back(itsHandle.fd());
}

void ztSingleEvent::addWaiter(ztEventWaiter* inWaiter) {
    std::lock_guard lock(itsStateMutex);
    itsWaiters.push_back(inWaiter);
}

void ztSingleEvent::removeWaiter(ztEventWaiter* inWaiter) {
    std::lock_guard lock(itsStateMutex);
    const auto found = std::find(itsWaiters.begin(), itsWaiters.end(), inWaiter);
    if (found != itsWaiters.end())
        itsWaiters.erase(found);
}

void ztSingleEvent::setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                                    int64_t inLParam) {
    std::lock_guard lock(itsTargetMutex);
    itsWindowTarget = inWindow;
    itsMessage = inMessage;
    itsLParam = inLParam;
}

void ztSingleEvent::setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                                    int64_t inLParam) {
    std::lock_guard lock(itsTargetMutex);
    itsThreadTarget = inThread;
    itsMessage = inMessage;
    itsLParam = inLParam;
}

void ztSingleEvent::attachThread(ztThread* inThread) {
    ztStMutex lock(&itsMutex);
    itsAttachedThreads.push_back(inThread);
}

void ztSingleEvent::detachThread(ztThread* inThread) {
    ztStMutex lock(&itsMutex);
    const auto found = std::find(itsAttachedThreads.begin(), itsAttachedThreads.end(), inThread);
    if (found != itsAttachedThreads.end())
        itsAttachedThreads.erase(found);
}

void ztSingleEvent::requireEvent() const {
    if (!itsUsable)
        throwResFull();
}

void ztSingleEvent::notifyTargets() {
    zt::platform::WindowId window = 0;
    zt::platform::ThreadId thread = 0;
    uint32_t message = 0;
    int64_t lParam = 0;
    {
        std::lock_guard lock(itsTargetMutex);
        window = itsWindowTarget;
        thread = itsThreadTarget;
        message = itsMessage;
        lParam = itsLParam;
    }
    // A target that is gone (its thread ended, its window closed) is not an error of
    // the one who signals.
    const auto self = reinterpret_cast<uintptr_t>(this);
    if (window != 0)
        zt::platform::postWindowMessage(window, message, self, lParam);
    if (thread != 0)
        zt::platform::postThreadMessage(thread, message, self, lParam);
}
