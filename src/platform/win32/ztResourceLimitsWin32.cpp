// Windows has no per-process descriptor limit to raise: a process may hold about 2^24
// handles, which both limits report and which setting leaves as it is.
#include "platform/ztResourceLimits.h"

#include <cerrno>

namespace zt::platform {
namespace {

constexpr uint64_t kHandleLimit = uint64_t{1} << 24;

} // namespace

int openFileLimit(uint64_t& outSoft, uint64_t& outHard) {
    outSoft = kHandleLimit;
    outHard = kHandleLimit;
    return 0;
}

int setOpenFileLimit(uint64_t inSoft, uint64_t inHard) {
    if (inSoft > inHard)
        return EINVAL;
    return inHard > kHandleLimit ? EPERM : 0;
}

} // namespace zt::platform
