// Thread ids are the kernel's thread ids, which are never 0.
#include "platform/ztThreadId.h"

#include <windows.h>

namespace zt::platform {

ThreadId currentThreadId() {
    thread_local const ThreadId tId = static_cast<ThreadId>(::GetCurrentThreadId());
    return tId;
}

} // namespace zt::platform
