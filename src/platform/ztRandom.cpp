// Kernel randomness through getrandom, which blocks only until the pool is first seeded.
#include "platform/ztRandom.h"

#include <cerrno>
#include <sys/random.h>

namespace zt::platform {

int randomBytes(void* outBuffer, size_t inLength) {
    auto* out = static_cast<unsigned char*>(outBuffer);
    while (inLength > 0) {
        const ssize_t n = ::getrandom(out, inLength, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        out += n;
        inLength -= static_cast<size_t>(n);
    }
    return 0;
}

} // namespace zt::platform
