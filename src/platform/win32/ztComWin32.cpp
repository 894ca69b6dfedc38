// CoUninitialize for threads that initialised COM.
#include "platform/ztCom.h"

#include <objbase.h>

namespace zt::platform {

void uninitializeCom() {
    ::CoUninitialize();
}

} // namespace zt::platform
