// pollFds over the Windows waits. Event entries are waited on as handles; each socket entry
// is tied to a private event with WSAEventSelect for the time of the wait; the message
// queue entry makes the wait MsgWaitForMultipleObjectsEx, which also wakes for posted
// messages. Readiness is always taken from a zero-time look afterwards (select for
// sockets, a zero wait for handles), so an event that fires between the look and the wait,
// or a wake-up that reports nothing, only costs one more round.
#define FD_SETSIZE 256
#include "platform/ztPoll.h"

#include "platform/ztTickCount.h"
#include "platform/win32/ztWin32Poll.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>
#include <winsock2.h>
#include <windows.h>

namespace zt::platform {
namespace {

enum class Kind { skipped, handle, socket, messageQueue };

// A wait takes at most this many handles; larger sets are watched in short slices.
constexpr size_t kMaxHandles = MAXIMUM_WAIT_OBJECTS - 1;
constexpr DWORD kSliceMs = 10;

HANDLE handleOf(int inFd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(inFd));
}

SOCKET socketOf(int inFd) {
    return static_cast<SOCKET>(static_cast<intptr_t>(inFd));
}

// Only a socket answers a socket option; a closed socket, an event or any other handle
// does not.
bool isSocket(int inFd) {
    int type = 0;
    int length = sizeof type;
    return ::getsockopt(socketOf(inFd), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type),
                        &length) == 0;
}

Kind kindOf(int inFd) {
    if (inFd < 0)
        return Kind::skipped;
    if (inFd == win32::kMessageQueueFd)
        return Kind::messageQueue;
    return isSocket(inFd) ? Kind::socket : Kind::handle;
}

uint16_t handleReadiness(int inFd) {
    switch (::WaitForSingleObject(handleOf(inFd), 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return pollFlag::readable;
    case WAIT_TIMEOUT:
        return 0;
    default:
        return pollFlag::invalid;
    }
}

bool queueHoldsMessages() {
    MSG message;
    return ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

// The sockets' readiness by a zero-time select. Connect failures show in the exception
// set, which Linux reports as an error with the socket writable.
void socketReadiness(std::span<PollEntry> ioEntries, const std::vector<Kind>& inKinds,
                     std::vector<uint16_t>& ioReady) {
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    bool any = false;
    for (size_t i = 0; i < ioEntries.size(); ++i) {
        if (inKinds[i] != Kind::socket)
            continue;
        const SOCKET s = socketOf(ioEntries[i].fd);
        if (ioEntries[i].wanted & pollFlag::readable)
            FD_SET(s, &readable);
        if (ioEntries[i].wanted & pollFlag::writable)
            FD_SET(s, &writable);
        FD_SET(s, &failed);
        any = true;
    }
    if (!any)
        return;
    timeval zero{0, 0};
    if (::select(0, &readable, &writable, &failed, &zero) == SOCKET_ERROR) {
        for (size_t i = 0; i < ioEntries.size(); ++i)
            if (inKinds[i] == Kind::socket)
                ioReady[i] |= pollFlag::invalid;
        return;
    }
    for (size_t i = 0; i < ioEntries.size(); ++i) {
        if (inKinds[i] != Kind::socket)
            continue;
        const SOCKET s = socketOf(ioEntries[i].fd);
        if (FD_ISSET(s, &readable))
            ioReady[i] |= pollFlag::readable;
        if (FD_ISSET(s, &writable))
            ioReady[i] |= pollFlag::writable;
        if (FD_ISSET(s, &failed))
            ioReady[i] |= pollFlag::error | (ioEntries[i].wanted & pollFlag::writable);
    }
}

// Fills every entry's ready field from a zero-time look; returns how many are ready.
int lookNow(std::span<PollEntry> ioEntries, const std::vector<Kind>& inKinds,
            const std::vector<uint16_t>& inRecorded) {
    std::vector<uint16_t> ready(inRecorded);
    socketReadiness(ioEntries, inKinds, ready);
    int count = 0;
    for (size_t i = 0; i < ioEntries.size(); ++i) {
        if (inKinds[i] == Kind::handle)
            ready[i] |= handleReadiness(ioEntries[i].fd);
        else if (inKinds[i] == Kind::messageQueue && queueHoldsMessages())
            ready[i] |= pollFlag::readable;
        ioEntries[i].ready = ready[i];
        if (ready[i] != 0)
            ++count;
    }
    return count;
}

long networkEventsFor(uint16_t inWanted) {
    long events = FD_CLOSE;
    if (inWanted & pollFlag::readable)
        events |= FD_READ | FD_ACCEPT;
    if (inWanted & pollFlag::writable)
        events |= FD_WRITE | FD_CONNECT;
    return events;
}

// What the network events recorded since the socket was tied to its event say. A failed
// connect arrives only here on systems whose select misses it.
uint16_t readinessOf(const WSANETWORKEVENTS& inEvents) {
    uint16_t ready = 0;
    if (inEvents.lNetworkEvents & (FD_READ | FD_ACCEPT))
        ready |= pollFlag::readable;
    if (inEvents.lNetworkEvents & FD_WRITE)
        ready |= pollFlag::writable;
    if (inEvents.lNetworkEvents & FD_CONNECT)
        ready |= inEvents.iErrorCode[FD_CONNECT_BIT] != 0 ? pollFlag::error | pollFlag::writable
                                                          : pollFlag::writable;
    if (inEvents.lNetworkEvents & FD_CLOSE)
        ready |= pollFlag::hangUp | pollFlag::readable;
    return ready;
}

// The events that socket entries are tied to for one wait, one per socket entry. They are
// made per wait rather than kept per thread: a thread's own objects would be released in
// its exit callbacks, which run under the system's loader lock.
class SocketEvents {
public:
    explicit SocketEvents(size_t inCount) {
        for (size_t i = 0; i < inCount; ++i) {
            const WSAEVENT event = ::WSACreateEvent();
            if (event == WSA_INVALID_EVENT)
                return;
            itsEvents.push_back(event);
        }
    }
    SocketEvents(const SocketEvents&) = delete;
    SocketEvents& operator=(const SocketEvents&) = delete;
    ~SocketEvents() {
        for (const WSAEVENT event : itsEvents)
            ::WSACloseEvent(event);
    }

    size_t size() const { return itsEvents.size(); }
    WSAEVENT operator[](size_t inIndex) const { return itsEvents[inIndex]; }

private:
    std::vector<WSAEVENT> itsEvents;
};

// Waits for any handle or, with inPumping, a posted message, at most inMillis.
void waitForAny(const std::vector<HANDLE>& inHandles, bool inPumping, DWORD inMillis) {
    const bool sliced = inHandles.size() > kMaxHandles;
    const DWORD count = static_cast<DWORD>(std::min(inHandles.size(), kMaxHandles));
    const DWORD millis = sliced ? std::min(inMillis, kSliceMs) : inMillis;
    if (inPumping) {
        ::MsgWaitForMultipleObjectsEx(count, count == 0 ? nullptr : inHandles.data(), millis,
                                      QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
        return;
    }
    if (count == 0) {
        ::Sleep(millis);
        return;
    }
    ::WaitForMultipleObjects(count, inHandles.data(), FALSE, millis);
}

DWORD waitSlice(bool inForever, uint64_t inDeadline) {
    if (inForever)
        return INFINITE;
    const uint64_t now = monotonicMillis();
    return now >= inDeadline
               ? 0
               : static_cast<DWORD>(std::min<uint64_t>(inDeadline - now, INFINITE - 1));
}

} // namespace

int pollFds(std::span<PollEntry> ioEntries, int64_t inTimeoutMs) {
    std::vector<Kind> kinds(ioEntries.size());
    size_t socketCount = 0;
    bool pumping = false;
    for (size_t i = 0; i < ioEntries.size(); ++i) {
        kinds[i] = kindOf(ioEntries[i].fd);
        socketCount += kinds[i] == Kind::socket ? 1 : 0;
        pumping = pumping || kinds[i] == Kind::messageQueue;
    }
    std::vector<uint16_t> recorded(ioEntries.size(), 0);
    const bool forever = inTimeoutMs < 0;
    const uint64_t deadline = forever ? 0 : monotonicMillis() + static_cast<uint64_t>(inTimeoutMs);
    const SocketEvents events(socketCount);
    if (events.size() < socketCount)
        return -ENOMEM;

    for (;;) {
        int ready = lookNow(ioEntries, kinds, recorded);
        if (ready > 0)
            return ready;
        const DWORD slice = waitSlice(forever, deadline);
        if (slice == 0)
            return 0;

        std::vector<HANDLE> handles;
        size_t nextEvent = 0;
        for (size_t i = 0; i < ioEntries.size(); ++i) {
            if (kinds[i] == Kind::handle)
                handles.push_back(handleOf(ioEntries[i].fd));
            if (kinds[i] != Kind::socket)
                continue;
            const WSAEVENT event = events[nextEvent++];
            ::WSAResetEvent(event);
            if (::WSAEventSelect(socketOf(ioEntries[i].fd), event,
                                 networkEventsFor(ioEntries[i].wanted)) != 0)
                recorded[i] |= pollFlag::invalid;
            handles.push_back(event);
        }
        // Tying a socket to its event re-records what is pending already, but a change
        // between the first look and the tie is seen only by looking again.
        ready = lookNow(ioEntries, kinds, recorded);
        if (ready == 0)
            waitForAny(handles, pumping, slice);

        nextEvent = 0;
        for (size_t i = 0; i < ioEntries.size(); ++i) {
            if (kinds[i] != Kind::socket)
                continue;
            const SOCKET s = socketOf(ioEntries[i].fd);
            WSANETWORKEVENTS happened{};
            if (::WSAEnumNetworkEvents(s, events[nextEvent++], &happened) == 0)
                recorded[i] |= readinessOf(happened) &
                               (ioEntries[i].wanted | pollFlag::error | pollFlag::hangUp);
            // Untied, the socket stays non-blocking, as every socket here is.
            ::WSAEventSelect(s, nullptr, 0);
        }
    }
}

bool socketWaitsMayOverlap() {
    return false;
}

} // namespace zt::platform
