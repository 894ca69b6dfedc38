#pragma once
// A net object that this side starts: it is sent through a net object handler and
// completes when the server's answer has been read into it, or when it fails or is
// cancelled. Callers on other threads wait for that through its completion event.

#include "netobjects/ztNetObject.h"
#include "platform/ztNativeMutex.h"
#include "util/ztTimer.h"

#include <memory>

class ztEvent;
class ztSingleEvent;

class ztNetRequest : public ztNetObject {
public:
    ztNetRequest();
    // A request still registered (its owner gave up waiting) is detached from its handler
    // first, see detachFromHandler.
    ~ztNetRequest() override;

    bool isRequest() const override { return true; }
    // As the base, and the completion event is cleared with the status.
    void reset() override;
    // As the base; the last part of an answer that parsed without error moves the
    // transfer state to complete.
    ztErr receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) override;
    // The prefix first, then as much of the body as fits; once the body is out the
    // transfer state is idle (waiting for the answer). A prefix error stops there.
    uint32_t sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                      bool& outDone) override;
    // A final status runs completed(), stores the status, calls the completion callback
    // and then sets the completion event. Waiters may destroy the request as soon as the
    // event is set, so nothing of the request is used after that.
    void setStatus(ztNetStatus inStatus) override;

    // Sends the request through inNetObjectHandler, which must not be null
    // (zt::ex::InvalidArgument "inNetObjectHandler"): writeRequest writes the body,
    // prepareSend points the sending at it, the completion event is cleared, the status
    // becomes send, and the handler registers the request (giving it its reference id).
    // The handler's refusal passes on as its ztException, with the status cancelled.
    virtual void send(ztNetObjectHandler* inNetObjectHandler);
    // Asks the handler to cancel the request. A request that was never sent has no
    // handler and nothing to cancel.
    virtual void cancel();
    // Hook that writes the body into getBodyWriter(); empty here.
    virtual void writeRequest();

    // The completion event, created on first use (manual reset). It is set once the status
    // is final, at once when it already is. Shared, so a waiter may keep it after the
    // request is gone. Any thread.
    std::shared_ptr<ztSingleEvent> getCompletionEvent();
    // Waits until the status is final, inTimeoutMs milliseconds have passed (-1: no limit)
    // or inCancelEvent, when given, is set. Returns whether the status is final. Any
    // thread other than the handler's.
    bool waitForCompletion(int32_t inTimeoutMs = -1, ztEvent* inCancelEvent = nullptr);

    // Started when the request is sent.
    const ztTimer& getTimer() const { return itsTimer; }

protected:
    // Takes a request that is still registered out of its handler (which may then tell the
    // server that its answer is no longer wanted) and returns once the handler thread no
    // longer uses it; does nothing for a request the handler has let go of. The destructor
    // calls it, but by then a subclass's own members are gone: a subclass whose readData or
    // sendData uses its members calls it first in its own destructor.
    void detachFromHandler();

private:
    // Orders creating the event against a status becoming final on the handler thread,
    // so that one of the two always sets it.
    zt::platform::NativeMutex itsEventMutex;
    std::shared_ptr<ztSingleEvent> itsCompletionEvent;
    ztTimer itsTimer;
};
