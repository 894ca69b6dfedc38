#pragma once
// Operating-system thread ids: small positive numbers, 0 never names a thread.

#include <cstdint>

namespace zt::platform {

using ThreadId = uint32_t;

// The kernel's id of the calling thread (cached per thread).
ThreadId currentThreadId();

} // namespace zt::platform
