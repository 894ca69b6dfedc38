#pragma once
// A plain, non-recursive operating-system mutex. The pthread object lives in opaque
// storage so that users of this header do not see the system headers.

#include <cstddef>

namespace zt::platform {

class NativeCondition;

class NativeMutex {
public:
    NativeMutex();
    NativeMutex(const NativeMutex&) = delete;
    NativeMutex& operator=(const NativeMutex&) = delete;
    ~NativeMutex();

    // Each returns 0 or the pthread error (EDEADLK, EPERM, EINVAL). Locking a mutex the
    // caller holds already is an error of the caller, not a recursion. lock and unlock
    // return nothing else for a correctly used mutex, so std::lock_guard may hold one.
    int lock();
    int unlock();
    // 0 when the lock was taken, EBUSY when another thread holds it.
    int tryLock();
    // The same for std::unique_lock with std::try_to_lock.
    bool try_lock() { return tryLock() == 0; }

private:
    friend class NativeCondition;
    void* native() { return itsStorage; }

    alignas(std::max_align_t) unsigned char itsStorage[48];
};

} // namespace zt::platform
