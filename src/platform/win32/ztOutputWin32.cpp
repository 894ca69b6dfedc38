// Output of log lines with plain handles, so that nothing is buffered across threads.
#include "platform/ztOutput.h"

#include <algorithm>
#include <windows.h>

namespace zt::platform {
namespace {

bool writeAll(HANDLE inHandle, std::string_view inText) {
    while (!inText.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(inText.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(inHandle, inText.data(), piece, &written, nullptr) || written == 0)
            return false;
        inText.remove_prefix(written);
    }
    return true;
}

} // namespace

void writeStdErr(std::string_view inText) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE)
        writeAll(error, inText);
}

bool appendToFile(const char* inPath, std::string_view inText) {
    // FILE_APPEND_DATA alone makes every write land at the end, as O_APPEND does.
    const HANDLE file = ::CreateFileA(inPath, FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = writeAll(file, inText);
    ::CloseHandle(file);
    return ok;
}

} // namespace zt::platform
