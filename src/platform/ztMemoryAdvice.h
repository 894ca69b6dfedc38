#pragma once
// Hints to the system about how a large buffer will be used.

#include <cstddef>

namespace zt::platform {

// Asks for the whole 2 MiB pages inside [inData, inData + inSize) to be backed by huge pages
// when they are first touched (Linux: madvise MADV_HUGEPAGE where transparent huge pages are
// set to "madvise"). A buffer of tens of megabytes that is written once, such as a large
// answer's tree or text, then takes one page fault per 2 MiB instead of one per 4 KiB.
// Buffers below a few huge pages are left alone; failures are ignored (it is only a hint).
// No-op on systems without the hint.
void adviseHugePages(void* inData, size_t inSize);

} // namespace zt::platform
