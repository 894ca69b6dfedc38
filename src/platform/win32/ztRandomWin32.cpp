// Random bytes from the system's preferred generator (BCryptGenRandom).
#include "platform/ztRandom.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <windows.h>
#include <bcrypt.h>

namespace zt::platform {

int randomBytes(void* outBuffer, size_t inLength) {
    auto* bytes = static_cast<unsigned char*>(outBuffer);
    // The call takes a 32-bit count; larger requests go in pieces.
    while (inLength > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(inLength, ULONG_MAX));
        if (!BCRYPT_SUCCESS(
                ::BCryptGenRandom(nullptr, bytes, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return EIO;
        bytes += piece;
        inLength -= piece;
    }
    return 0;
}

} // namespace zt::platform
