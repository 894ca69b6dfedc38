// NativeRecursiveMutex over a critical section, which is recursive by nature. The owner and
// the depth are kept beside it, so that an unlock by a thread that does not hold the mutex
// is refused instead of corrupting the section.
#include "platform/ztNativeRecursiveMutex.h"

#include <cerrno>
#include <new>
#include <windows.h>

namespace zt::platform {
namespace {

struct State {
    CRITICAL_SECTION section;
    DWORD owner; // written only by the holder; 0 while free
    DWORD depth;
};

static_assert(sizeof(State) <= 48, "storage too small for the critical section");

State* stateOf(void* inStorage) {
    return static_cast<State*>(inStorage);
}

} // namespace

NativeRecursiveMutex::NativeRecursiveMutex() {
    State* state = new (native()) State;
    ::InitializeCriticalSection(&state->section);
    state->owner = 0;
    state->depth = 0;
}

NativeRecursiveMutex::~NativeRecursiveMutex() {
    ::DeleteCriticalSection(&stateOf(native())->section);
}

int NativeRecursiveMutex::lock() {
    State* state = stateOf(native());
    ::EnterCriticalSection(&state->section);
    state->owner = ::GetCurrentThreadId();
    ++state->depth;
    return 0;
}

int NativeRecursiveMutex::unlock() {
    State* state = stateOf(native());
    // Only the holder can see its own id here: another thread reads 0 or a foreign id.
    if (state->owner != ::GetCurrentThreadId() || state->depth == 0)
        return EPERM;
    if (--state->depth == 0)
        state->owner = 0;
    ::LeaveCriticalSection(&state->section);
    return 0;
}

int NativeRecursiveMutex::tryLock() {
    State* state = stateOf(native());
    if (!::TryEnterCriticalSection(&state->section))
        return EBUSY;
    state->owner = ::GetCurrentThreadId();
    ++state->depth;
    return 0;
}

} // namespace zt::platform
