// eventfd in its counting (non-semaphore) mode used as a level: any non-zero count means
// set. A read takes the count back to zero in one call, which is exactly a reset.
#include "platform/ztEventFd.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace zt::platform {

EventFd::EventFd(EventFd&& ioOther) noexcept : itsFd(std::exchange(ioOther.itsFd, -1)) {}

EventFd& EventFd::operator=(EventFd&& ioOther) noexcept {
    if (this != &ioOther) {
        close();
        itsFd = std::exchange(ioOther.itsFd, -1);
    }
    return *this;
}

EventFd::~EventFd() {
    close();
}

void EventFd::close() noexcept {
    if (itsFd >= 0)
        ::close(itsFd);
    itsFd = -1;
}

int EventFd::create(EventFd& outEvent) {
    // Non-blocking: set() on a saturated counter and reset() on a clear one must not block.
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        return errno;
    outEvent = EventFd(fd);
    return 0;
}

int EventFd::set() const {
    const uint64_t one = 1;
    for (;;) {
        if (::write(itsFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
            return 0;
        if (errno == EINTR)
            continue;
        // EAGAIN: the counter is at its maximum, so the event is set already.
        return errno == EAGAIN ? 0 : errno;
    }
}

int EventFd::reset() const {
    uint64_t count = 0;
    for (;;) {
        if (::read(itsFd, &count, sizeof count) == static_cast<ssize_t>(sizeof count))
            return 0;
        if (errno == EINTR)
            continue;
        // EAGAIN: the counter is zero, so the event is clear already.
        return errno == EAGAIN ? 0 : errno;
    }
}

int EventFd::isSet(bool& outSet) const {
    pollfd entry{itsFd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&entry, 1, 0);
        if (n >= 0) {
            outSet = n > 0 && (entry.revents & POLLIN) != 0;
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

} // namespace zt::platform
