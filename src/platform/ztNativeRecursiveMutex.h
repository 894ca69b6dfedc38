#pragma once
// An operating-system mutex that its owner may lock again; each lock needs its unlock.

#include <cstddef>

namespace zt::platform {

class NativeRecursiveMutex {
public:
    NativeRecursiveMutex();
    NativeRecursiveMutex(const NativeRecursiveMutex&) = delete;
    NativeRecursiveMutex& operator=(const NativeRecursiveMutex&) = delete;
    ~NativeRecursiveMutex();

    // Each returns 0 or the pthread error (EAGAIN when the nesting count overflows,
    // EPERM when a thread unlocks a mutex it does not hold).
    int lock();
    int unlock();
    // 0 when the lock was taken, EBUSY when another thread holds it.
    int tryLock();

private:
    void* native() { return itsStorage; }

    alignas(std::max_align_t) unsigned char itsStorage[48];
};

} // namespace zt::platform
