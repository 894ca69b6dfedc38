// Account look-ups through LookupAccountName, which gives the account's security identifier
// and the domain it belongs to; the identifier's text form is what single sign-on sends.
#include "platform/ztAccounts.h"

#include "platform/win32/ztWin32Error.h"

#include <algorithm>
#include <cerrno>
#include <vector>
#include <windows.h>
#include <sddl.h>

namespace zt::platform {
namespace {

// The text form of a security identifier, or empty when the system cannot give it.
std::string textOf(PSID inSid) {
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(inSid, &text))
        return std::string();
    std::string result(text);
    ::LocalFree(text);
    return result;
}

} // namespace

int findUserByName(const char* inName, size_t inBufferSize, UserAccount& outAccount) {
    // Both buffers start at inBufferSize (at least the largest identifier the system
    // makes); the call says how much it needs when they do not fit, and is asked once more.
    const DWORD initial = std::max<DWORD>(
        SECURITY_MAX_SID_SIZE, static_cast<DWORD>(std::min<size_t>(inBufferSize, 1u << 20)));
    DWORD sidSize = initial;
    DWORD domainSize = initial;
    std::vector<unsigned char> sid;
    std::vector<char> domain;
    SID_NAME_USE use = SidTypeUnknown;
    for (int attempt = 0; attempt < 2; ++attempt) {
        sid.assign(sidSize, 0);
        domain.assign(domainSize + 1, '\0');
        if (::LookupAccountNameA(nullptr, inName, sid.data(), &sidSize, domain.data(), &domainSize,
                                 &use))
            break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || attempt == 1)
            return win32::errnoOf(error);
    }
    // Groups, aliases and well-known principals have identifiers too, but no one logs in
    // as them.
    if (use != SidTypeUser)
        return ENOENT;
    const PSID account = sid.data();
    std::string text = textOf(account);
    if (text.empty())
        return win32::lastErrno();
    const UCHAR parts = *::GetSidSubAuthorityCount(account);
    outAccount.name = inName;
    outAccount.userId =
        parts == 0 ? 0 : static_cast<uint32_t>(*::GetSidSubAuthority(account, parts - 1));
    outAccount.securityId = std::move(text);
    outAccount.domain = domain.data();
    return 0;
}

int hostName(std::string& outName) {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (!::GetComputerNameExA(ComputerNameDnsHostname, buffer, &size))
        return win32::lastErrno();
    outName.assign(buffer, size);
    return 0;
}

} // namespace zt::platform
