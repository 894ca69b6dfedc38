// The tick count is the system's own 32-bit millisecond count, which wraps like the
// timers expect; the monotonic clock is its 64-bit form.
#include "platform/ztTickCount.h"

#include <atomic>
#include <windows.h>

namespace zt::platform {
namespace {

std::atomic<uint32_t> gTickOffset{0};

} // namespace

uint64_t monotonicMillis() {
    return static_cast<uint64_t>(::GetTickCount64());
}

uint32_t tickCount() {
    return static_cast<uint32_t>(::GetTickCount()) + gTickOffset.load(std::memory_order_relaxed);
}

void setTickCountOffset(uint32_t inOffset) {
    gTickOffset.store(inOffset, std::memory_order_relaxed);
}

void sleepMillis(uint32_t inMillis) {
    ::Sleep(inMillis);
}

} // namespace zt::platform
