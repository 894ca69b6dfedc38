#pragma once
// What the Windows lock objects keep in their opaque storage, shared by the mutex and the
// condition variable that waits on it. Only Windows sources include this header.

#include <windows.h>

namespace zt::platform::win32 {

// NativeMutex: a slim reader/writer lock taken exclusively; it is not recursive, as the
// interface asks, and it is what SleepConditionVariableSRW releases and retakes.
struct MutexState {
    SRWLOCK lock;
};

inline MutexState* mutexStateOf(void* inStorage) {
    return static_cast<MutexState*>(inStorage);
}

} // namespace zt::platform::win32
