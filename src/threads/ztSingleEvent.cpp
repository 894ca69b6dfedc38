// ztSingleEvent over a platform event descriptor.
#include "threads/ztSingleEvent.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "threads/ztStMutex.h"

#include <algorithm>
#include <mutex>

namespace {

[[noreturn]] void throwResFull() {
    ztLog(6, "throwing ztErr_resFull");
    throw ztException(ztErr_resFull);
}

zt::platform::EventFd createHandle(bool inCreate) {
    zt::platform::EventFd handle;
    if (inCreate && zt::platform::EventFd::create(handle) != 0)
        throwResFull();
    return handle;
}

} // namespace

// Creates the descriptor before the event object exists, so a failure never leaves a
// half-built object to unwind.
ztSingleEvent::ztSingleEvent(bool inCreate) : ztSingleEvent(createHandle(inCreate)) {}

ztSingleEvent::ztSingleEvent(zt::platform::EventFd inHandle) : itsHandle(std::move(inHandle)) {}

ztSingleEvent::~ztSingleEvent() = default;

bool ztSingleEvent::isSet() const {
    bool set = false;
    if (!itsHandle.valid() || itsHandle.isSet(set) != 0 || !set)
        return false;
    // Pairs with the increment in set(): what the setter wrote before is visible now.
    itsSignalCount.load();
    return true;
}

ztEvent* ztSingleEvent::getSetEvent() {
    return isSet() ? this : nullptr;
}

void ztSingleEvent::set() {
    itsSignalCount.fetch_add(1);
    signal();
    notifyTargets();
}

void ztSingleEvent::reset() {
    clear();
}

void ztSingleEvent::pulse() {
    itsSignalCount.fetch_add(1);
    signal();
    clear();
    notifyTargets();
}

uint32_t ztSingleEvent::getSignalCount() const {
    return itsSignalCount.load();
}

void ztSingleEvent::addHandles(std::vector<int>& ioHandles) const {
    if (itsHandle.valid())
        ioHandles.push_back(itsHandle.fd());
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

void ztSingleEvent::signal() {
    if (!itsHandle.valid() || itsHandle.set() != 0)
        throwResFull();
}

void ztSingleEvent::clear() {
    if (!itsHandle.valid() || itsHandle.reset() != 0)
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
