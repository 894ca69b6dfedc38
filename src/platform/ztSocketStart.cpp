// Linux sockets work without a start-up call.
#include "platform/ztSocketStart.h"

namespace zt::platform {

int startSockets() {
    return 0;
}

} // namespace zt::platform
