#pragma once
// Cryptographically secure random bytes from the kernel.

#include <cstddef>

namespace zt::platform {

// Fills inLength bytes at outBuffer from the kernel's random source (getrandom), retrying
// interrupted and short reads. Returns 0 or the errno of the failure.
int randomBytes(void* outBuffer, size_t inLength);

} // namespace zt::platform
