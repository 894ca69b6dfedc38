// The termination requests of a console program (Ctrl+C, Ctrl+Break, closing the console,
// log-off, shut-down) taken as SIGINT and SIGTERM: a console control handler records the
// request and sets an event that the waiting thread watches.
#include "platform/ztSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <windows.h>

namespace zt::platform {
namespace {

std::atomic<int> gPending{0};

HANDLE arrivedEvent() {
    // Never closed: the handler may run on the system's thread during exit.
    static const HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

BOOL WINAPI onControl(DWORD inType) {
    const int signal = inType == CTRL_C_EVENT ? SIGINT : SIGTERM;
    gPending.store(signal);
    ::SetEvent(arrivedEvent());
    // Handled: the process is not ended by the default handler, the waiting thread ends it.
    return TRUE;
}

} // namespace

int blockTerminationSignals() {
    if (arrivedEvent() == nullptr)
        return ENOMEM;
    return ::SetConsoleCtrlHandler(onControl, TRUE) ? 0 : EINVAL;
}

int waitForTerminationSignal(int32_t inTimeoutMs, int& outSignal) {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(inTimeoutMs);
    // The event only wakes the wait; the request itself is the pending number. A wake-up
    // left over from a request that was taken already finds none and waits again.
    for (;;) {
        if (const int signal = gPending.exchange(0); signal != 0) {
            outSignal = signal;
            return 0;
        }
        DWORD millis = INFINITE;
        if (inTimeoutMs >= 0) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return EAGAIN;
            millis = static_cast<DWORD>(deadline - now);
        }
        const DWORD result = ::WaitForSingleObject(arrivedEvent(), millis);
        if (result != WAIT_OBJECT_0 && result != WAIT_TIMEOUT)
            return EINTR;
    }
}

} // namespace zt::platform
