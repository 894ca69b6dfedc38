// Memory hints on Windows: large pages need a privilege that a library cannot assume, so
// there is nothing to ask for.
#include "platform/ztMemoryAdvice.h"

namespace zt::platform {

void adviseHugePages(void*, size_t) {}

} // namespace zt::platform
