// Linux has no COM: nothing to undo.
#include "platform/ztCom.h"

namespace zt::platform {

void uninitializeCom() {}

} // namespace zt::platform
