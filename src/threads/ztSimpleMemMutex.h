#pragma once
// A mutex that its owner may lock again (each lock needs its unlock), over one plain
// operating-system mutex that is taken once per ownership. It knows its owner's kernel
// thread id, which the deadlock check of ztMemMutex follows.

#include "platform/ztNativeMutex.h"
#include "platform/ztThreadId.h"
#include "threads/ztMutex.h"

#include <atomic>
#include <cstdint>

class ztSimpleMemMutex : public ztMutex {
public:
    explicit ztSimpleMemMutex(std::string inName = {});
    // Destroying a locked mutex is a caller error, reported by ztAssert.
    ~ztSimpleMemMutex() override;

    // Returns true once the caller owns the mutex. Throws std::system_error when the
    // operating-system mutex fails (ztMemMutex also throws ztException on a deadlock).
    bool lock() override;
    // Gives back one lock of the owner; the last one frees the mutex. An unlock by a thread
    // that does not own the mutex changes nothing (reported by ztAssert).
    void unlock() override;
    bool isLocked() const override { return getLockingThreadID() != 0; }

    // The owner's kernel thread id, 0 when free. Any thread may ask; the answer may be
    // stale at once unless the caller is the owner.
    zt::platform::ThreadId getLockingThreadID() const { return itsLockingThreadID.load(); }

protected:
    // Blocks until inThread holds the operating-system mutex; false refuses the lock.
    virtual bool acquire(zt::platform::ThreadId inThread);
    // Releases the operating-system mutex that inThread held.
    virtual void release(zt::platform::ThreadId inThread);

private:
    uint32_t numLocks = 0; // nested locks of the owner; touched only by the owner
    // Cleared before the operating-system mutex is released and set after it is taken, so
    // a reader never sees an owner that does not hold it.
    std::atomic<zt::platform::ThreadId> itsLockingThreadID{0};
    zt::platform::NativeMutex itsMutex;
};
