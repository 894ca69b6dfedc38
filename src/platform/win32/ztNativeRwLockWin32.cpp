// NativeRwLock over a slim reader/writer lock. Its waiters are served in order, so a stream
// of readers cannot starve a writer. The writer's id is kept so that a writer that asks
// again gets EDEADLK instead of blocking itself for ever.
#include "platform/ztNativeRwLock.h"

#include <atomic>
#include <cerrno>
#include <new>
#include <windows.h>

namespace zt::platform {
namespace {

struct State {
    SRWLOCK lock;
    std::atomic<DWORD> writer; // 0 while no thread holds the exclusive side
};

static_assert(sizeof(State) <= 64, "storage too small for the lock");

State* stateOf(void* inStorage) {
    return static_cast<State*>(inStorage);
}

} // namespace

NativeRwLock::NativeRwLock() {
    State* state = new (native()) State;
    ::InitializeSRWLock(&state->lock);
    state->writer.store(0);
}

NativeRwLock::~NativeRwLock() {
    stateOf(native())->~State();
}

int NativeRwLock::lock() {
    State* state = stateOf(native());
    const DWORD self = ::GetCurrentThreadId();
    if (state->writer.load(std::memory_order_relaxed) == self)
        return EDEADLK;
    ::AcquireSRWLockExclusive(&state->lock);
    state->writer.store(self, std::memory_order_relaxed);
    return 0;
}

int NativeRwLock::unlock() {
    State* state = stateOf(native());
    if (state->writer.load(std::memory_order_relaxed) != ::GetCurrentThreadId())
        return EPERM;
    state->writer.store(0, std::memory_order_relaxed);
    ::ReleaseSRWLockExclusive(&state->lock);
    return 0;
}

int NativeRwLock::lockShared() {
    State* state = stateOf(native());
    if (state->writer.load(std::memory_order_relaxed) == ::GetCurrentThreadId())
        return EDEADLK;
    ::AcquireSRWLockShared(&state->lock);
    return 0;
}

int NativeRwLock::unlockShared() {
    ::ReleaseSRWLockShared(&stateOf(native())->lock);
    return 0;
}

} // namespace zt::platform
