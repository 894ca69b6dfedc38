// Termination signals over pthread_sigmask and sigtimedwait.
#include "platform/ztSignals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace zt::platform {
namespace {

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

int blockTerminationSignals() {
    const sigset_t signals = terminationSignals();
    return ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int waitForTerminationSignal(int32_t inTimeoutMs, int& outSignal) {
    const sigset_t signals = terminationSignals();
    int result = 0;
    if (inTimeoutMs < 0) {
        result = ::sigwaitinfo(&signals, nullptr);
    } else {
        const timespec timeout{inTimeoutMs / 1000,
                               static_cast<long>(inTimeoutMs % 1000) * 1000000L};
        result = ::sigtimedwait(&signals, nullptr, &timeout);
    }
    if (result < 0)
        return errno;
    outSignal = result;
    return 0;
}

} // namespace zt::platform
