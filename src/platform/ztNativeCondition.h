#pragma once
// A condition variable for NativeMutex whose timed wait runs on the monotonic clock, so
// that setting the wall clock neither shortens nor stretches a time-out.

#include <cstddef>
#include <cstdint>

namespace zt::platform {

class NativeMutex;

class NativeCondition {
public:
    NativeCondition();
    NativeCondition(const NativeCondition&) = delete;
    NativeCondition& operator=(const NativeCondition&) = delete;
    ~NativeCondition();

    // Releases ioMutex (which the caller holds), sleeps until woken and takes it back.
    // Wake-ups may be spurious: callers wait in a loop on their own predicate.
    // Returns 0 or the pthread error.
    int wait(NativeMutex& ioMutex);
    // As wait, but gives up when monotonicMillis() (ztTickCount.h) reaches inDeadline:
    // returns ETIMEDOUT then. An absolute deadline keeps a loop over spurious wake-ups
    // from stretching the time-out.
    int waitUntil(NativeMutex& ioMutex, uint64_t inDeadline);

    int signal();
    int broadcast();

private:
    void* native() { return itsStorage; }

    alignas(std::max_align_t) unsigned char itsStorage[64];
};

} // namespace zt::platform
