// Kernel thread ids, which (unlike pthread_t) are small numbers worth printing in logs.
#include "platform/ztThreadId.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace zt::platform {

ThreadId currentThreadId() {
    thread_local const ThreadId tId = static_cast<ThreadId>(::syscall(SYS_gettid));
    return tId;
}

} // namespace zt::platform
