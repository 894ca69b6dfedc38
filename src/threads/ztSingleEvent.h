#pragma once
// One manual-reset event: stays signalled from set() until reset(), counts its signals and
// can post a notification message to a window or thread each time it is signalled.

#include "platform/ztEventFd.h"
#include "platform/ztNativeMutex.h"
#include "threads/ztEvent.h"
#include "threads/ztMemMutex.h"

#include <atomic>
#include <vector>

class ztSingleEvent : public ztEvent {
public:
    // With inCreate, creates its own event, not signalled; throws ztException ztErr_resFull
    // (after logging "throwing ztErr_resFull" at level 6) when the system has no event left.
    // Without, the object has no event: it never reads as set and set() throws.
    explicit ztSingleEvent(bool inCreate = true);
    // Takes over an event created elsewhere (not valid: as without inCreate).
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
    void setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                         int64_t inLParam) override;
    void setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                         int64_t inLParam) override;
    void attachThread(ztThread* inThread) override;
    void detachThread(ztThread* inThread) override;

private:
    void signal();
    void clear();
    void notifyTargets();

    std::atomic<uint32_t> itsSignalCount{0};
    zt::platform::EventFd itsHandle;
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
