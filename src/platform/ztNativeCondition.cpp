// NativeCondition over pthread_cond_t bound to CLOCK_MONOTONIC.
#include "platform/ztNativeCondition.h"

#include "platform/ztNativeMutex.h"

#include <ctime>
#include <pthread.h>

namespace zt::platform {
namespace {

static_assert(sizeof(pthread_cond_t) <= 64, "storage too small for pthread_cond_t");

pthread_cond_t* conditionOf(void* inStorage) {
    return static_cast<pthread_cond_t*>(inStorage);
}

} // namespace

NativeCondition::NativeCondition() {
    pthread_condattr_t attributes;
    ::pthread_condattr_init(&attributes);
    ::pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    ::pthread_cond_init(conditionOf(native()), &attributes);
    ::pthread_condattr_destroy(&attributes);
}

NativeCondition::~NativeCondition() {
    ::pthread_cond_destroy(conditionOf(native()));
}

int NativeCondition::wait(NativeMutex& ioMutex) {
    return ::pthread_cond_wait(conditionOf(native()),
                               static_cast<pthread_mutex_t*>(ioMutex.native()));
}

int NativeCondition::waitUntil(NativeMutex& ioMutex, uint64_t inDeadline) {
    // monotonicMillis() reads the same clock in milliseconds.
    const timespec deadline{static_cast<time_t>(inDeadline / 1000),
                            static_cast<long>(inDeadline % 1000) * 1000000L};
    return ::pthread_cond_timedwait(conditionOf(native()),
                                    static_cast<pthread_mutex_t*>(ioMutex.native()), &deadline);
}

int NativeCondition::signal() {
    return ::pthread_cond_signal(conditionOf(native()));
}

int NativeCondition::broadcast() {
    return ::pthread_cond_broadcast(conditionOf(native()));
}

} // namespace zt::platform
