#pragma once
// A 32-bit millisecond tick count that wraps about every 49.7 days, as the timers and
// time-outs of the library expect. Tests can move it close to the wrap through the offset.

#include <cstdint>

namespace zt::platform {

// Milliseconds since an arbitrary start, plus the test offset, reduced to 32 bits.
// Any thread may call it.
uint32_t tickCount();

// Adds inOffset milliseconds to every later tickCount(); a test sets it so that the
// count wraps within its run. Not meant for production code.
void setTickCountOffset(uint32_t inOffset);

// Milliseconds from a monotonic clock, 64 bits wide, never wraps.
uint64_t monotonicMillis();

// Suspends the calling thread for inMillis milliseconds.
void sleepMillis(uint32_t inMillis);

} // namespace zt::platform
