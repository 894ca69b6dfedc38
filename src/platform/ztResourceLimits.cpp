// The descriptor limit over getrlimit and setrlimit.
#include "platform/ztResourceLimits.h"

#include <cerrno>
#include <sys/resource.h>

namespace zt::platform {

int openFileLimit(uint64_t& outSoft, uint64_t& outHard) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return errno;
    outSoft = limit.rlim_cur;
    outHard = limit.rlim_max;
    return 0;
}

int setOpenFileLimit(uint64_t inSoft, uint64_t inHard) {
    const rlimit limit{static_cast<rlim_t>(inSoft), static_cast<rlim_t>(inHard)};
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0 ? 0 : errno;
}

} // namespace zt::platform
