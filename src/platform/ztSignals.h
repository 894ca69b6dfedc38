#pragma once
// The termination signals (SIGINT, SIGTERM) taken as ordinary events: a program blocks them
// before it starts any thread, so that no thread is interrupted by them, and its main
// thread waits for one to arrive.

#include <cstdint>

namespace zt::platform {

// pthread_sigmask: blocks SIGINT and SIGTERM in the calling thread; threads it creates later
// inherit the mask. Returns 0 or the error.
int blockTerminationSignals();

// sigtimedwait for SIGINT or SIGTERM (which must be blocked). Waits at most inTimeoutMs
// (negative: no limit). Returns 0 with the signal number in outSignal, EAGAIN when the
// time ran out, EINTR when another signal interrupted the wait.
int waitForTerminationSignal(int32_t inTimeoutMs, int& outSignal);

} // namespace zt::platform
