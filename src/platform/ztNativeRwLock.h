#pragma once
// A reader/writer lock: any number of readers or one writer. A waiting writer holds back
// new readers, so a steady stream of readers cannot starve it.

#include <cstddef>

namespace zt::platform {

class NativeRwLock {
public:
    NativeRwLock();
    NativeRwLock(const NativeRwLock&) = delete;
    NativeRwLock& operator=(const NativeRwLock&) = delete;
    ~NativeRwLock();

    // Exclusive (writer) side; each returns 0 or the pthread error (EDEADLK when the caller
    // holds the lock already). Not recursive in either mode.
    int lock();
    int unlock();
    // Shared (reader) side; unlockShared releases what lockShared took.
    int lockShared();
    int unlockShared();

    // Lets std::shared_lock hold the reader side.
    void lock_shared() { lockShared(); }
    void unlock_shared() { unlockShared(); }

private:
    void* native() { return itsStorage; }

    alignas(std::max_align_t) unsigned char itsStorage[64];
};

} // namespace zt::platform
