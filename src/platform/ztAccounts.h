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
    // The account's security identifier in its text form ("S-1-5-21-..."), where the
    // system gives accounts one; empty where it does not (Linux), and the caller derives
    // an identifier from userId.
    std::string securityId;
    // The domain the system found the account in, where it says (a local account's is the
    // machine's name); empty otherwise.
    std::string domain;
};

// getpwnam_r (LookupAccountName on Windows, which sizes its own buffers and reports only
// user accounts) for inName with a scratch buffer of inBufferSize bytes. Returns 0 with
// outAccount filled; ENOENT when no account has that name; ERANGE when the entry does not
// fit the buffer (the call does not say how much it needs, so the caller picks a larger size
// and asks again); any other value is the call's own error. outAccount is changed only on
// success. Any thread; it may block on a directory service.
int findUserByName(const char* inName, size_t inBufferSize, UserAccount& outAccount);

// gethostname (the DNS host name on Windows). Returns 0 with the name in outName, or errno (outName
// unchanged).
int hostName(std::string& outName);

} // namespace zt::platform
