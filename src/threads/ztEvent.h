#pragma once
// Waitable events: the abstract base of single events and event sets, and waitForEvent,
// the bounded wait that stop requests, completions and time-outs of the library go
// through. An event can notify a thread or window by a posted message when it is set.

#include "platform/ztMessageQueue.h"
#include "platform/ztThreadId.h"

#include <cstdint>
#include <vector>

class ztEventWaiter;
class ztThread;

// The message an event posts to its window or thread target; wParam is the event's
// address, lParam the value given with the target.
inline constexpr uint32_t ztEventNotifyMessage = 0x500;
// A waitForEvent time that never runs out.
inline constexpr uint32_t ztWaitInfinite = 0xFFFFFFFF;

class ztEvent {
public:
    ztEvent() = default;
    // Events are waited on and posted by address, so they never move.
    ztEvent(const ztEvent&) = delete;
    ztEvent& operator=(const ztEvent&) = delete;
    virtual ~ztEvent() = default;

    // Whether the event (for a set: any member) is signalled now.
    virtual bool isSet() const = 0;
    // The signalled event (for a set: the first signalled member), or null.
    virtual ztEvent* getSetEvent() = 0;
    // Signals the event until reset; throws ztException ztErr_resFull when the system
    // refuses. Any thread may call it.
    virtual void set() = 0;
    // Clears the event; throws ztException ztErr_resFull when the system refuses.
    virtual void reset() = 0;
    // Signals and clears again at once. Only waiters that compare signal counts are sure
    // to see it; a thread blocked in a wait may miss it.
    virtual void pulse() = 0;
    // The number of single events behind this one.
    virtual uint32_t getEventCount() const = 0;
    // How many times set or pulse was called (summed over a set's members); it only grows,
    // wrapping at 2^32, which lets a waiter notice a set it would otherwise miss.
    virtual uint32_t getSignalCount() const = 0;
    // Appends the descriptors to poll for readability to ioHandles; each is readable exactly
    // while its event is set. An event makes its descriptor on the first call (waits inside
    // the library go through ztEventWaiter and need none); throws ztException ztErr_resFull
    // when the system has no descriptor left.
    virtual void addHandles(std::vector<int>& ioHandles) const = 0;
    // Registers inWaiter with every single event behind this one: each later set or pulse
    // calls inWaiter->wake() until removeWaiter. The waiter must outlive the registration.
    virtual void addWaiter(ztEventWaiter* inWaiter) = 0;
    virtual void removeWaiter(ztEventWaiter* inWaiter) = 0;
    // Asks that every later set or pulse posts inMessage to window inWindow (0: none).
    virtual void setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                                 int64_t inLParam) = 0;
    // Asks that every later set or pulse posts inMessage to thread inThread (0: none).
    // Window and thread target share the message and lParam.
    virtual void setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                                 int64_t inLParam) = 0;
    // Keeps a list of threads interested in the event; the list is not used by the event.
    virtual void attachThread(ztThread* inThread) = 0;
    // Removes the first occurrence of inThread from that list.
    virtual void detachThread(ztThread* inThread) = 0;
};

// Waits until inEvent is set or inMillis milliseconds (ztWaitInfinite: no limit) have passed.
// Returns true when the whole time passed and false when the event is or became set.
// - A set event returns false at once; 0 ms returns true otherwise; without an event the
//   call just sleeps.
// - With inPumpMessages the messages waiting in the calling thread's queue are dropped,
//   the event is made to post to this thread while the call waits, and the call returns
//   false at once when the event's signal count is no longer inExpectedCount (read the
//   count before deciding to wait so that a set in between is not lost). A message
//   posted to the thread during the wait ends it too (false). Without pumping the
//   count is not consulted.
// Any thread may call it; the event must outlive the call.
bool waitForEvent(uint32_t inMillis, ztEvent* inEvent, uint32_t inExpectedCount,
                  bool inPumpMessages);
