// ztSimpleMemMutex: recursion by owner id above a plain mutex.
#include "threads/ztSimpleMemMutex.h"

#include "messages/ztAssert.h"

#include <system_error>
#include <utility>

ztSimpleMemMutex::ztSimpleMemMutex(std::string inName) : ztMutex(std::move(inName)) {}

ztSimpleMemMutex::~ztSimpleMemMutex() {
    ztAssert(!numLocks);
}

bool ztSimpleMemMutex::lock() {
    const zt::platform::ThreadId curThreadID = zt::platform::currentThreadId();
    ztAssert(curThreadID != 0);
    if (itsLockingThreadID.load() == curThreadID) {
        ++numLocks;
        return true;
    }
    if (!acquire(curThreadID))
        return false;
    ztAssert(itsLockingThreadID.load() == 0);
    itsLockingThreadID.store(curThreadID);
    numLocks = 1;
    return true;
}

void ztSimpleMemMutex::unlock() {
    const zt::platform::ThreadId curThreadID = zt::platform::currentThreadId();
    if (itsLockingThreadID.load() != curThreadID) {
        ztAssert(false);
        return;
    }
    ztAssert(numLocks > 0);
    if (numLocks > 0)
        --numLocks;
    if (numLocks != 0)
        return;
    itsLockingThreadID.store(0);
    release(curThreadID);
}

bool ztSimpleMemMutex::acquire(zt::platform::ThreadId /*inThread*/) {
    if (const int error = itsMutex.lock(); error != 0)
        throw std::system_error(error, std::generic_category(), "ztSimpleMemMutex::acquire");
    return true;
}

void ztSimpleMemMutex::release(zt::platform::ThreadId /*inThread*/) {
    // Only the owner gets here, so unlocking cannot fail; unlock runs in destructors of
    // guards and must not throw.
    itsMutex.unlock();
}
