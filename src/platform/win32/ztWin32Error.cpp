// GetLastError codes as errno values, and the system's texts for them.
#include "platform/win32/ztWin32Error.h"

#include <cerrno>
#include <windows.h>

namespace zt::platform::win32 {

int errnoOf(unsigned long inWindowsError) {
    switch (inWindowsError) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_NO_SYSTEM_RESOURCES:
        return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NONE_MAPPED:
        return ENOENT;
    case ERROR_INSUFFICIENT_BUFFER:
    case ERROR_MORE_DATA:
        return ERANGE;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_MAX_THRDS_REACHED:
        return EAGAIN;
    case WAIT_TIMEOUT:
    case ERROR_TIMEOUT:
        return ETIMEDOUT;
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return ENOSYS;
    default:
        return EINVAL;
    }
}

int lastErrno() {
    return errnoOf(::GetLastError());
}

const char* describeInto(unsigned long inWindowsError, char* outBuffer, unsigned inSize) {
    if (inSize == 0)
        return outBuffer;
    outBuffer[0] = '\0';
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, inWindowsError, 0, outBuffer, inSize, nullptr);
    while (length > 0 && (outBuffer[length - 1] == '\n' || outBuffer[length - 1] == '\r' ||
                          outBuffer[length - 1] == ' ' || outBuffer[length - 1] == '.'))
        outBuffer[--length] = '\0';
    if (length == 0)
        ::wsprintfA(outBuffer, "Windows error %lu", inWindowsError);
    return outBuffer;
}

} // namespace zt::platform::win32
