#pragma once
// The process's limit on open descriptors. Each connection holds its socket and its handler
// thread's wake-up descriptor, so processes that hold thousands of connections raise the
// soft limit to the hard one (see ztRaiseDescriptorLimit, which decides when and logs).

#include <cstdint>

namespace zt::platform {

// getrlimit(RLIMIT_NOFILE). Returns 0 with both limits filled, or errno (outputs unchanged).
int openFileLimit(uint64_t& outSoft, uint64_t& outHard);

// setrlimit(RLIMIT_NOFILE) with the given soft and hard limits. Returns 0 or errno (EPERM
// when raising the hard limit is not allowed, EINVAL when the soft one is above it).
int setOpenFileLimit(uint64_t inSoft, uint64_t inHard);

} // namespace zt::platform
