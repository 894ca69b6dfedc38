// Output of log lines with plain descriptors, so that nothing is buffered across threads.
#include "platform/ztOutput.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zt::platform {
namespace {

bool writeAll(int inFd, std::string_view inText) {
    while (!inText.empty()) {
        const ssize_t n = ::write(inFd, inText.data(), inText.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        inText.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

void writeStdErr(std::string_view inText) {
    writeAll(STDERR_FILENO, inText);
}

bool appendToFile(const char* inPath, std::string_view inText) {
    const int fd = ::open(inPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, inText);
    ::close(fd);
    return ok;
}

} // namespace zt::platform
