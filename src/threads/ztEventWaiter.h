#pragma once
// One thread's wait on events. The waiter registers with every single event behind one
// event (a set or a single event) and each set or pulse wakes it, either through a
// condition (waits that watch only events) or through the waiting thread's one wake-up
// descriptor (waits that poll sockets as well). Events therefore need no descriptor of
// their own: a thread that polls costs one descriptor, however many events it watches.
//
// The waiter lives on the waiting thread's stack and is used by that thread only; events
// call wake() from any thread, under their own lock, until the destructor unregisters.

#include "platform/ztEventFd.h"
#include "platform/ztNativeCondition.h"
#include "platform/ztNativeMutex.h"

#include <atomic>
#include <cstdint>

class ztEvent;

class ztEventWaiter {
public:
    enum class Mode {
        condition,  // waitUntil blocks on a condition; no descriptor is used
        descriptor, // the caller polls fd() together with its sockets
    };

    // Registers with every single event behind inEvent (null: none); when one is set already
    // the waiter starts out woken. In descriptor mode the
    // calling thread's wake-up descriptor is created when it has none; when that fails the
    // waiter is not valid() and the caller reports the shortage.
    ztEventWaiter(ztEvent* inEvent, Mode inMode);
    ztEventWaiter(const ztEventWaiter&) = delete;
    ztEventWaiter& operator=(const ztEventWaiter&) = delete;
    ~ztEventWaiter();

    // Descriptor mode: whether fd() may be polled.
    bool valid() const { return itsFd >= 0 || itsMode == Mode::condition; }
    // Descriptor mode: the descriptor to poll for readability; it turns readable when an
    // event wakes the waiter. -1 in condition mode or when not valid.
    int fd() const { return itsFd; }
    // Forgets the wake-ups so far. Call it after a wait returned and before looking at the
    // events again, so that a set in between wakes the next wait.
    void clear();
    // Descriptor mode: the same after a poll reported fd() readable; it always reads the
    // descriptor, which clear() skips when no wake-up marked it.
    void clearReported();
    // Condition mode: blocks until an event wakes the waiter (true) or monotonicMillis()
    // reaches inDeadline (false); with inForever there is no deadline. Returns at once when
    // a wake-up arrived since the last clear().
    bool waitUntil(uint64_t inDeadline, bool inForever);

    // Called by an event, under its own lock, each time it is set or pulsed. Any thread.
    void wake();

    // Creates the calling thread's wake-up descriptor if it has none. Returns 0 or the errno
    // of the failed creation (EMFILE, ENFILE, ENOMEM). A thread that polls sockets calls it
    // when it starts, so that a shortage shows at once and not in the middle of a transfer.
    static int prepareThread();
    // Makes ioDescriptor the calling thread's wake-up descriptor, unless the thread has one
    // already (ioDescriptor is then closed). A thread object creates the descriptor on its
    // owner's thread before it starts, so that a shortage fails the creation there, where
    // the caller can report it, and the thread itself cannot fail for it.
    static void adoptThreadDescriptor(zt::platform::EventFd ioDescriptor);

private:
    ztEvent* itsEvent;
    Mode itsMode;
    const zt::platform::EventFd* itsWakeUp = nullptr; // the waiting thread's descriptor
    std::atomic<bool>* itsWakeUpMarked = nullptr;     // and whether a wake-up may have set it
    int itsFd = -1;
    zt::platform::NativeMutex itsMutex; // guards itsWoken (condition mode)
    zt::platform::NativeCondition itsCondition;
    bool itsWoken = false;
};
