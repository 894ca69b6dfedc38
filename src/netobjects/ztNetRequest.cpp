// Requests of this side: sending, completion and waiting for the answer.
#include "netobjects/ztNetRequest.h"

#include "messages/ztException.h"
#include "netobjects/ztNetObjectHandler.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztSingleEvent.h"

#include <algorithm>
#include <mutex>

ztNetRequest::ztNetRequest() = default;

ztNetRequest::~ztNetRequest() {
    detachFromHandler();
}

void ztNetRequest::detachFromHandler() {
    // The handler clears its pointer as its last touch of a request it is done with, so a
    // request without one is not used by any handler thread.
    if (ztNetObjectHandler* handler = getNetObjectHandler())
        handler->forget(this);
}

void ztNetRequest::reset() {
    std::lock_guard lock(itsEventMutex);
    ztNetObject::reset();
    if (itsCompletionEvent)
        itsCompletionEvent->reset();
}

ztErr ztNetRequest::receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) {
    const ztErr result = ztNetObject::receiveData(inData, inLength, inLast);
    if (inLast && result == ztErr_noError)
        setTransferState(ztNetStatus::complete);
    return result;
}

uint32_t ztNetRequest::sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                                bool& outDone) {
    outDone = false;
    outError = ztErr_noError;
    const uint32_t prefix = std::min(writePrefix(outBuffer, inMaximum, outError), inMaximum);
    if (outError != ztErr_noError)
        return prefix;
    const uint32_t body =
        ztNetObject::sendData(outBuffer + prefix, inMaximum - prefix, outError, outDone);
    if (outDone)
        setTransferState(ztNetStatus::idle);
    return prefix + body;
}

void ztNetRequest::setStatus(ztNetStatus inStatus) {
    if (!ztIsFinalStatus(inStatus)) {
        storeStatus(inStatus);
        return;
    }
    const CompletionCallback callback = getCompletionCallback();
    completed();
    std::shared_ptr<ztSingleEvent> event;
    {
        std::lock_guard lock(itsEventMutex);
        event = itsCompletionEvent;
        storeStatus(inStatus);
    }
    // The callback runs while waiters are still asleep; once the event is set the
    // request may be gone, so only the local reference to the event is used.
    if (callback)
        callback(this);
    if (event)
        event->set();
}

void ztNetRequest::send(ztNetObjectHandler* inNetObjectHandler) {
    if (inNetObjectHandler == nullptr)
        throw zt::ex::InvalidArgument("inNetObjectHandler");
    setNetObjectHandler(inNetObjectHandler);
    try {
        writeRequest();
        prepareSend();
    } catch (...) {
        // Not handed over: the request must not point at a handler that may go away first.
        setNetObjectHandler(nullptr);
        throw;
    }
    {
        // A request sent again must not look complete from its previous run.
        std::lock_guard lock(itsEventMutex);
        if (itsCompletionEvent && itsCompletionEvent->isSet())
            itsCompletionEvent->reset();
        storeStatus(ztNetStatus::send);
    }
    itsTimer.start();
    inNetObjectHandler->registerObject(this);
}

void ztNetRequest::cancel() {
    ztNetObjectHandler* handler = getNetObjectHandler();
    if (handler == nullptr)
        return;
    handler->cancel(this);
}

void ztNetRequest::writeRequest() {}

std::shared_ptr<ztSingleEvent> ztNetRequest::getCompletionEvent() {
    std::lock_guard lock(itsEventMutex);
    if (!itsCompletionEvent) {
        itsCompletionEvent = std::make_shared<ztSingleEvent>();
        if (ztIsFinalStatus(getStatus()))
            itsCompletionEvent->set();
    }
    return itsCompletionEvent;
}

bool ztNetRequest::waitForCompletion(int32_t inTimeoutMs, ztEvent* inCancelEvent) {
    const std::shared_ptr<ztSingleEvent> completion = getCompletionEvent();
    ztMultiEvent completionOrCancel(completion.get(), inCancelEvent);
    const ztTimer timer(true);
    // A wait may end early (an interrupted poll counts as a wake-up), so it is repeated
    // until one of the reasons to stop holds.
    while (!ztIsFinalStatus(getStatus())) {
        if (inCancelEvent != nullptr && inCancelEvent->isSet())
            break;
        uint32_t millis = ztWaitInfinite;
        if (inTimeoutMs >= 0) {
            millis = timer.remaining(static_cast<uint32_t>(inTimeoutMs));
            if (millis == 0)
                break;
        }
        waitForEvent(millis, &completionOrCancel, 0, false);
    }
    return ztIsFinalStatus(getStatus());
}
