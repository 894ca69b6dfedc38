// Memory hints on Linux.
#include "platform/ztMemoryAdvice.h"

#include <cstdint>
#include <sys/mman.h>

namespace zt::platform {

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Below this the hint saves too few faults to be worth a system call.
constexpr size_t kSmallest = 4 * kHugePage;

} // namespace

void adviseHugePages(void* inData, size_t inSize) {
    if (inData == nullptr || inSize < kSmallest)
        return;
    const auto start = reinterpret_cast<uintptr_t>(inData);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + inSize) & ~(kHugePage - 1);
    if (end <= first)
        return;
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

} // namespace zt::platform
