// NativeRecursiveMutex over a pthread mutex of the recursive type.
#include "platform/ztNativeRecursiveMutex.h"

#include <pthread.h>

namespace zt::platform {
namespace {

static_assert(sizeof(pthread_mutex_t) <= 48, "storage too small for pthread_mutex_t");

pthread_mutex_t* mutexOf(void* inStorage) {
    return static_cast<pthread_mutex_t*>(inStorage);
}

} // namespace

NativeRecursiveMutex::NativeRecursiveMutex() {
    pthread_mutexattr_t attributes;
    ::pthread_mutexattr_init(&attributes);
    ::pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    ::pthread_mutex_init(mutexOf(native()), &attributes);
    ::pthread_mutexattr_destroy(&attributes);
}

NativeRecursiveMutex::~NativeRecursiveMutex() {
    ::pthread_mutex_destroy(mutexOf(native()));
}

int NativeRecursiveMutex::lock() {
    return ::pthread_mutex_lock(mutexOf(native()));
}

int NativeRecursiveMutex::unlock() {
    return ::pthread_mutex_unlock(mutexOf(native()));
}

int NativeRecursiveMutex::tryLock() {
    return ::pthread_mutex_trylock(mutexOf(native()));
}

} // namespace zt::platform
