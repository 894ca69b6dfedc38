// Tick count and sleeping over the monotonic clock.
#include "platform/ztTickCount.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace zt::platform {
namespace {
std::atomic<uint32_t> gTickOffset{0};
} // namespace

uint64_t monotonicMillis() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint32_t tickCount() {
    return static_cast<uint32_t>(monotonicMillis()) + gTickOffset.load(std::memory_order_relaxed);
}

void setTickCountOffset(uint32_t inOffset) {
    gTickOffset.store(inOffset, std::memory_order_relaxed);
}

void sleepMillis(uint32_t inMillis) {
    timespec left{static_cast<time_t>(inMillis / 1000),
                  static_cast<long>(inMillis % 1000) * 1000000L};
    // nanosleep reports the remaining time when a signal interrupts it; sleep the rest.
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

} // namespace zt::platform
