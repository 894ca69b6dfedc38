#pragma once
// The system's account database and the host's own name, which single sign-on turns into a
// stable account identifier. Each operation makes one call and hands back its result.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zt::platform {

// One entry of the account database, as far as this library uses it.
struct UserAccount {
    std::string name; // the name as the database spells it
    uint32_t userId = 0;
};

// getpwnam_r for inName with a scratch buffer of inBufferSize bytes. Returns 0 with
// outAccount filled; ENOENT when no account has that name; ERANGE when the entry does not
// fit the buffer (the call does not say how much it needs, so the caller picks a larger size
// and asks again); any other value is the call's own error. outAccount is changed only on
// success. Any thread; it may block on a directory service.
int findUserByName(const char* inName, size_t inBufferSize, UserAccount& outAccount);

// gethostname. Returns 0 with the name in outName, or errno (outName unchanged).
int hostName(std::string& outName);

} // namespace zt::platform
