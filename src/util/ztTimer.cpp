// Millisecond stopwatch over the wrapping tick count.
#include "util/ztTimer.h"

#include "platform/ztTickCount.h"

ztTimer::ztTimer(bool inStart) {
    if (inStart)
        start();
}

void ztTimer::start() {
    itsStamp = zt::platform::tickCount();
}

uint32_t ztTimer::elapsed() const {
    // Unsigned subtraction is modulo 2^32, which is exactly the distance across a wrap.
    return zt::platform::tickCount() - itsStamp;
}

uint32_t ztTimer::remaining(uint32_t inLimit) const {
    const uint32_t spent = elapsed();
    return spent < inLimit ? inLimit - spent : 0;
}
