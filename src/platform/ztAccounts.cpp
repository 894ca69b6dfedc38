// Account look-ups through the reentrant passwd calls, so that request threads can run them
// at the same time.
#include "platform/ztAccounts.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace zt::platform {

int findUserByName(const char* inName, size_t inBufferSize, UserAccount& outAccount) {
    std::vector<char> buffer(inBufferSize == 0 ? 1 : inBufferSize);
    passwd entry{};
    passwd* result = nullptr;
    const int error = ::getpwnam_r(inName, &entry, buffer.data(), buffer.size(), &result);
    if (error != 0)
        return error;
    // A missing account is success without a result; some libraries report it as ENOENT
    // instead, so both arrive here as ENOENT.
    if (result == nullptr)
        return ENOENT;
    outAccount.name = entry.pw_name;
    outAccount.userId = static_cast<uint32_t>(entry.pw_uid);
    return 0;
}

int hostName(std::string& outName) {
    // 255 bytes is the longest host name POSIX allows; one more keeps a NUL at the end even
    // when the name was cut.
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof(buffer) - 1) != 0)
        return errno;
    outName = buffer;
    return 0;
}

} // namespace zt::platform
