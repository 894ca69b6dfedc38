// NativeRwLock over pthread_rwlock_t, with the writer preference that glibc offers.
#include "platform/ztNativeRwLock.h"

#include <pthread.h>

namespace zt::platform {
namespace {

static_assert(sizeof(pthread_rwlock_t) <= 64, "storage too small for pthread_rwlock_t");

pthread_rwlock_t* lockOf(void* inStorage) {
    return static_cast<pthread_rwlock_t*>(inStorage);
}

} // namespace

NativeRwLock::NativeRwLock() {
    pthread_rwlockattr_t attributes;
    ::pthread_rwlockattr_init(&attributes);
    // glibc prefers readers by default, which lets readers starve a writer for ever.
    ::pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
    ::pthread_rwlock_init(lockOf(native()), &attributes);
    ::pthread_rwlockattr_destroy(&attributes);
}

NativeRwLock::~NativeRwLock() {
    ::pthread_rwlock_destroy(lockOf(native()));
}

int NativeRwLock::lock() {
    return ::pthread_rwlock_wrlock(lockOf(native()));
}

int NativeRwLock::unlock() {
    return ::pthread_rwlock_unlock(lockOf(native()));
}

int NativeRwLock::lockShared() {
    return ::pthread_rwlock_rdlock(lockOf(native()));
}

int NativeRwLock::unlockShared() {
    return ::pthread_rwlock_unlock(lockOf(native()));
}

} // namespace zt::platform
