// EventFd over a manual-reset kernel event: set stays set until reset, and the handle is
// signalled exactly while the event is set, so the waits take it beside sockets.
#include "platform/ztEventFd.h"

#include "platform/win32/ztWin32Error.h"

#include <cstdint>
#include <utility>
#include <windows.h>

namespace zt::platform {
namespace {

HANDLE handleOf(int inFd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(inFd));
}

} // namespace

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
        ::CloseHandle(handleOf(itsFd));
    itsFd = -1;
}

int EventFd::create(EventFd& outEvent) {
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr)
        return win32::lastErrno();
    // Handle values fit 32 bits (the system keeps them so for 32-bit processes' sake).
    outEvent = EventFd(static_cast<int>(reinterpret_cast<intptr_t>(event)));
    return 0;
}

int EventFd::set() const {
    return ::SetEvent(handleOf(itsFd)) ? 0 : win32::lastErrno();
}

int EventFd::reset() const {
    return ::ResetEvent(handleOf(itsFd)) ? 0 : win32::lastErrno();
}

int EventFd::isSet(bool& outSet) const {
    const DWORD result = ::WaitForSingleObject(handleOf(itsFd), 0);
    if (result == WAIT_FAILED)
        return win32::lastErrno();
    outSet = result == WAIT_OBJECT_0;
    return 0;
}

} // namespace zt::platform
