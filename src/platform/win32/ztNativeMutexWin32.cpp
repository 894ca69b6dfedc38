// NativeMutex over a slim reader/writer lock in exclusive mode.
#include "platform/ztNativeMutex.h"

#include "platform/win32/ztWin32Locks.h"

#include <cerrno>
#include <new>

namespace zt::platform {

using win32::MutexState;
using win32::mutexStateOf;

static_assert(sizeof(MutexState) <= 48, "storage too small for the mutex");

NativeMutex::NativeMutex() {
    new (native()) MutexState;
    ::InitializeSRWLock(&mutexStateOf(native())->lock);
}

// A slim lock owns no kernel object: nothing to release.
NativeMutex::~NativeMutex() = default;

int NativeMutex::lock() {
    ::AcquireSRWLockExclusive(&mutexStateOf(native())->lock);
    return 0;
}

int NativeMutex::unlock() {
    ::ReleaseSRWLockExclusive(&mutexStateOf(native())->lock);
    return 0;
}

int NativeMutex::tryLock() {
    return ::TryAcquireSRWLockExclusive(&mutexStateOf(native())->lock) ? 0 : EBUSY;
}

} // namespace zt::platform
