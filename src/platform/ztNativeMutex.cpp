// NativeMutex over pthread_mutex_t.
#include "platform/ztNativeMutex.h"

#include <pthread.h>

namespace zt::platform {
namespace {

static_assert(sizeof(pthread_mutex_t) <= 48, "storage too small for pthread_mutex_t");

pthread_mutex_t* mutexOf(void* inStorage) {
    return static_cast<pthread_mutex_t*>(inStorage);
}

} // namespace

// Default attributes never make init fail on Linux.
NativeMutex::NativeMutex() {
    ::pthread_mutex_init(mutexOf(native()), nullptr);
}

NativeMutex::~NativeMutex() {
    ::pthread_mutex_destroy(mutexOf(native()));
}

int NativeMutex::lock() {
    return ::pthread_mutex_lock(mutexOf(native()));
}

int NativeMutex::unlock() {
    return ::pthread_mutex_unlock(mutexOf(native()));
}

int NativeMutex::tryLock() {
    return ::pthread_mutex_trylock(mutexOf(native()));
}

} // namespace zt::platform
