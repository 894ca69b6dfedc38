// NativeCondition over a condition variable that sleeps on the mutex's slim lock; time-outs
// are measured on the tick count, which the wall clock does not move.
#include "platform/ztNativeCondition.h"

#include "platform/ztNativeMutex.h"
#include "platform/ztTickCount.h"
#include "platform/win32/ztWin32Locks.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace zt::platform {
namespace {

static_assert(sizeof(CONDITION_VARIABLE) <= 64, "storage too small for the condition");

CONDITION_VARIABLE* conditionOf(void* inStorage) {
    return static_cast<CONDITION_VARIABLE*>(inStorage);
}

// The longest single sleep: below INFINITE, which would never end.
constexpr uint64_t kLongestSleep = 0x7FFFFFFF;

} // namespace

NativeCondition::NativeCondition() {
    new (native()) CONDITION_VARIABLE;
    ::InitializeConditionVariable(conditionOf(native()));
}

NativeCondition::~NativeCondition() = default;

int NativeCondition::wait(NativeMutex& ioMutex) {
    SRWLOCK* lock = &win32::mutexStateOf(ioMutex.native())->lock;
    return ::SleepConditionVariableSRW(conditionOf(native()), lock, INFINITE, 0) ? 0 : EINVAL;
}

int NativeCondition::waitUntil(NativeMutex& ioMutex, uint64_t inDeadline) {
    SRWLOCK* lock = &win32::mutexStateOf(ioMutex.native())->lock;
    const uint64_t now = monotonicMillis();
    if (now >= inDeadline)
        return ETIMEDOUT;
    const DWORD sleep = static_cast<DWORD>(std::min(inDeadline - now, kLongestSleep));
    if (::SleepConditionVariableSRW(conditionOf(native()), lock, sleep, 0))
        return 0;
    // A sleep that ends early or late is the caller's spurious wake-up; only the deadline
    // itself is reported as the time-out.
    if (::GetLastError() != ERROR_TIMEOUT)
        return EINVAL;
    return monotonicMillis() >= inDeadline ? ETIMEDOUT : 0;
}

int NativeCondition::signal() {
    ::WakeConditionVariable(conditionOf(native()));
    return 0;
}

int NativeCondition::broadcast() {
    ::WakeAllConditionVariable(conditionOf(native()));
    return 0;
}

} // namespace zt::platform
