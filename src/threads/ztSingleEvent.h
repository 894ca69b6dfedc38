#pragma once
// One manual-reset event: stays signalled from set() until reset(), counts its signals and
// can post a notification message to a window or thread each time it is signalled. Its
// state is a flag under a lock; threads wait on it through ztEventWaiter, so an event costs
// no descriptor unless someone asks for one (addHandles).

#include "platform/ztEventFd.h"
#include "platform/ztNativeMutex.h"
#include "threads/ztEvent.h"
#include "threads/ztMemMutex.h"

#include <atomic>
#include <vector>

class ztSingleEvent : public ztEvent {
public:
    // With inCreate, an event, not signalled; it takes no descriptor until addHandles.
    // Without, the object has no event: it never reads as set, and set, reset and pulse throw
    // ztException ztErr_resFull (after logging "throwing ztErr_resFull" at level 6).
    explicit ztSingleEvent(bool inCreate = true);
    // Takes over an event descriptor created elsewhere, with its state, as the one addHandles
    // reports (not valid: as without inCreate).
    explicit ztSingleEvent(zt::platform::EventFd inHandle);
    ~ztSingleEvent() override;

    bool isSet() const override;
    ztEvent* getSetEvent() override;
    void set() override;
    void reset() override;
    void pulse() override;
    uint32_t getEventCount() const override { return 1; }
    uint32_t getSignalCount() const override;
    void addHandles(std::vector<int>& ioHandles) const override;
    void addWaiter(ztEventWaiter* inWaiter) override;
    void removeWaiter(ztEventWaiter* inWaiter) override;
    void setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                         int64_t inLParam) override;
    void setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                         int64_t inLParam) override;
    void attachThread(ztThread* inThread) override;
    void detachThread(ztThread* inThread) override;

private:
    void requireEvent() const;
    void notifyTargets();

    bool itsUsable = true; // false: constructed without an event
    std::atomic<uint32_t> itsSignalCount{0};
    // The state, its descriptor (made on demand, then kept equal to the state) and the
    // registered waiters change together under this lock, so that no waiter misses a set.
    mutable zt::platform::NativeMutex itsStateMutex;
    std::atomic<bool> itsSet{false};
    mutable zt::platform::EventFd itsHandle;
    std::vector<ztEventWaiter*> itsWaiters;
    // The targets change while other threads signal (waitForEvent with pumping sets and
    // clears the thread target), so they are read and written together under this lock.
    zt::platform::NativeMutex itsTargetMutex;
    zt::platform::WindowId itsWindowTarget = 0;
    zt::platform::ThreadId itsThreadTarget = 0;
    uint32_t itsMessage = 0;
    int64_t itsLParam = 0;
    ztMemMutex itsMutex; // guards itsAttachedThreads
    std::vector<ztThread*> itsAttachedThreads;
};
