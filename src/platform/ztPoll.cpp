// pollFds over poll(2), with the time-out kept on the monotonic clock across signals.
#include "platform/ztPoll.h"

#include "platform/ztTickCount.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <vector>

namespace zt::platform {
namespace {

// Most waits watch one event plus a stop event; larger sets take the heap.
constexpr size_t kInlineEntries = 8;

uint16_t toReady(short inEvents) {
    uint16_t ready = 0;
    if (inEvents & POLLIN)
        ready |= pollFlag::readable;
    if (inEvents & POLLOUT)
        ready |= pollFlag::writable;
    if (inEvents & POLLERR)
        ready |= pollFlag::error;
    if (inEvents & POLLHUP)
        ready |= pollFlag::hangUp;
    if (inEvents & POLLNVAL)
        ready |= pollFlag::invalid;
    return ready;
}

short toEvents(uint16_t inWanted) {
    short events = 0;
    if (inWanted & pollFlag::readable)
        events |= POLLIN;
    if (inWanted & pollFlag::writable)
        events |= POLLOUT;
    return events;
}

// poll takes an int of milliseconds; longer waits are cut into slices.
int sliceOf(int64_t inRemaining) {
    if (inRemaining < 0)
        return -1;
    return static_cast<int>(std::min<int64_t>(inRemaining, INT_MAX));
}

} // namespace

int pollFds(std::span<PollEntry> ioEntries, int64_t inTimeoutMs) {
    pollfd inlineFds[kInlineEntries];
    std::vector<pollfd> heapFds;
    pollfd* fds = inlineFds;
    if (ioEntries.size() > kInlineEntries) {
        heapFds.resize(ioEntries.size());
        fds = heapFds.data();
    }
    for (size_t i = 0; i < ioEntries.size(); ++i) {
        fds[i] = pollfd{ioEntries[i].fd, toEvents(ioEntries[i].wanted), 0};
        ioEntries[i].ready = 0;
    }

    const bool forever = inTimeoutMs < 0;
    const uint64_t deadline = forever ? 0 : monotonicMillis() + static_cast<uint64_t>(inTimeoutMs);
    int64_t remaining = inTimeoutMs;
    for (;;) {
        const int n = ::poll(fds, static_cast<nfds_t>(ioEntries.size()), sliceOf(remaining));
        if (n > 0) {
            for (size_t i = 0; i < ioEntries.size(); ++i)
                ioEntries[i].ready = toReady(fds[i].revents);
            return n;
        }
        if (n < 0 && errno != EINTR)
            return -errno;
        if (forever)
            continue;
        const uint64_t now = monotonicMillis();
        if (now >= deadline)
            return 0;
        remaining = static_cast<int64_t>(deadline - now);
    }
}

bool socketWaitsMayOverlap() {
    return true;
}

} // namespace zt::platform
