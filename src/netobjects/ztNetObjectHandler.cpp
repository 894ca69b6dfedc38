// The net object handler: reference ids, the main loop with its queues, packets out and
// in, cancellation both ways, keep-alives, the shutdown, the error conversion, and opening
// a connection with the Connect exchange.
//
// Locking: the maps, queues, id counter, factory table and flags are guarded by itsMutex.
// It is never held across socket I/O: packets are written and read with it released. While
// the handler thread works on one object outside the mutex (sending or receiving its data)
// the object is marked busy, so that forget can wait until the thread is done with it.
// Writing a packet takes the send lock (before itsMutex, never inside it): the handler
// thread and sending threads writing their own requests take turns, and the shutdown
// takes it to close the connection, so nobody writes to a closed socket.
#include "netobjects/ztNetObjectHandler.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "net/ztNetEndpoint.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztDescriptorLimit.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetObject.h"
#include "netobjects/ztNetObjectHeader.h"
#include "netobjects/ztNetPacketLayer.h"
#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetReqConnect.h"
#include "netobjects/ztNetRequest.h"
#include "netobjects/ztNetResponse.h"
#include "netobjects/ztProgress.h"
#include "platform/ztPoll.h"
#include "platform/ztSocket.h"
#include "platform/ztThreadId.h"
#include "threads/ztEventWaiter.h"
#include "threads/ztStMutex.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>
#include <stdexcept>

namespace {

// Ids run from 1 to 65534; 0 marks keep-alives and objects that are not registered.
constexpr uint16_t kLastValidId = 0xFFFE;
// The lines the internal-error texts of this source name.
constexpr const char* kRegisterLine = "620";
constexpr const char* kDefaultTextLine = "312";

// Reads that only ended a wait: the wake-up or stop event, the time-out, no data yet.
bool isQuietReadResult(ztErr inResult) {
    return inResult == ztErr_cancelled || inResult == ztErr_timeout ||
           inResult == ztErr_netNotReady;
}

ztException networkError(ztErr inError) {
    return ztException(inError, ztText::networkError, 'e', std::to_string(inError));
}

// The fault for a connection that found no socket: descriptors or memory, as the system
// said (inError its errno).
ztException resourceShortage(int inError) {
    return ztException(ztErr_resFull, zt::platform::isDescriptorShortage(inError)
                                          ? ztText::outOfDescriptors
                                          : ztText::outOfSocketMemory);
}

void advance(ztProgress* ioProgress) {
    if (ioProgress != nullptr)
        ioProgress->step();
}

bool isSet(const ztEvent* inEvent) {
    return inEvent != nullptr && inEvent->isSet();
}

} // namespace

// Marks the object the handler thread works on outside the mutex for as long as it lives.
class ztNetObjectHandler::BusyScope {
public:
    explicit BusyScope(ztNetObjectHandler& ioHandler) : itsHandler(ioHandler) {}
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    ~BusyScope() { clear(); }

    // Called under the handler mutex, together with taking the object from a map or queue.
    void set(ztNetObject* inObject) {
        itsHandler.setBusy(inObject);
        itsSet = true;
    }
    // The thread is done with the object (or holds the mutex, which forget waits for).
    void clear() {
        if (!itsSet)
            return;
        itsHandler.clearBusy();
        itsSet = false;
    }

private:
    ztNetObjectHandler& itsHandler;
    bool itsSet = false;
};

// ---- construction

ztNetObjectHandler::ztNetObjectHandler()
    : itsReadInterrupt(&itsWakeUpEvent, &getStopEvent()),
      itsWriteInterrupt(&itsWriteAbort, &getStopEvent()) {
    itsName = "ztNetObjectHandler";
}

ztNetObjectHandler::ztNetObjectHandler(std::unique_ptr<ztNetEndpoint> inEndpoint,
                                       bool inCompression, uint32_t inMaxDataSize)
    : itsEndpoint(std::move(inEndpoint)), itsReadInterrupt(&itsWakeUpEvent, &getStopEvent()),
      itsWriteInterrupt(&itsWriteAbort, &getStopEvent()), itsMaxDataSize(inMaxDataSize),
      itsCompression(inCompression) {
    if (!itsEndpoint)
        throw zt::ex::InvalidArgument("inEndpoint");
    if (zt::platform::EventFd::create(itsThreadWakeUp) != 0)
        throw ztException(ztErr_resFull, ztText::outOfDescriptors);
    itsName = "ztNetObjectHandler";
    itsPacketLayer = std::make_unique<ztNetPacketLayer>(itsEndpoint.get(), inCompression);
    // Sending threads write while the handler thread reads.
    itsPacketLayer->separateWrites(&itsWriteInterrupt);
    itsDirectSends = zt::platform::socketWaitsMayOverlap();
    itsServerAddress = itsEndpoint->getAddress();
    itsServerPort = itsEndpoint->getPort();
    itsOpen = itsEndpoint->isOpen();
    // Room for the frame in front, the largest header, the data and the trailer.
    itsPacketBuffer.resize(ztNetPacketLayer::payloadOffset + ztNetObjectHeader::extendedSize +
                           itsMaxDataSize + 1);
}

ztNetObjectHandler::~ztNetObjectHandler() {
    waitForBodyEnd();
    // Objects registered with a handler whose thread never ran are still in the maps.
    ztStMutex lock(&itsMutex);
    failAll();
}

// ---- registration, cancel, requeue, forget

void ztNetObjectHandler::registerObject(ztNetRequest* inRequest) {
    if (inRequest == nullptr)
        throw zt::ex::InvalidArgument("inRequest");
    // The calling thread writes the request itself when the send lock is free at once;
    // waiting for it would cost the hand-over that writing directly saves. Never on the
    // handler thread, which may hold the lock.
    std::unique_lock<zt::platform::NativeMutex> sendLock;
    if (itsDirectSends.load() && zt::platform::currentThreadId() != getThreadID())
        sendLock = std::unique_lock(itsSendMutex, std::try_to_lock);
    ztStMutex lock(&itsMutex);
    if (!itsOpen || itsStopping) {
        inRequest->setStatus(ztNetStatus::cancelled);
        inRequest->setNetObjectHandler(nullptr);
        throw ztException(ztErr_handlerNotRunning, ztText::handlerNotRunning);
    }
    const ztNetRequest* aReq = inRequest;
    ztAssert(aReq->getRefId() == 0);
    // A request registered twice would be answered twice and finished once.
    if (isRegistered(inRequest))
        throw ztException(ztErr_internal, ztText::internalErrorAt, 'f', sourceName, 'l',
                          kRegisterLine);
    int wraps = 0;
    for (;;) {
        ++itsLastId;
        if (itsLastId == 0 || itsLastId > kLastValidId) {
            itsLastId = 1;
            // A second wrap within one search: every id is in use.
            if (++wraps == 2) {
                inRequest->setStatus(ztNetStatus::cancelled);
                inRequest->setNetObjectHandler(nullptr);
                throw ztException(ztErr_internal, ztText::internalErrorAt, 'f', sourceName, 'l',
                                  kRegisterLine);
            }
        }
        if (!itsOwnRequests.contains(itsLastId))
            break;
    }
    itsOwnRequests[itsLastId] = Entry{inRequest, inRequest->getType()};
    inRequest->setRefId(itsLastId);
    inRequest->resetPacketCount();
    // Packets queued before this one go first.
    const bool direct = sendLock.owns_lock() && itsRegisterQueue.empty() && itsSendQueue.empty() &&
                        itsCancelQueue.empty() && itsForgotten.empty() &&
                        inRequest->getTransferState() == ztNetStatus::send;
    if (!direct) {
        itsRegisterQueue.push_back(inRequest);
        itsWakeUpEvent.set();
        return;
    }
    inRequest->setStatus(ztNetStatus::send);
    lock.unlock();
    sendDirectly(inRequest);
}

void ztNetObjectHandler::sendDirectly(ztNetRequest* inRequest) {
    const uint16_t id = inRequest->getRefId();
    const uint16_t type = inRequest->getType();
    try {
        // No busy mark: the sending thread owns the request, so nobody forgets it meanwhile.
        if (sendPacketOf(inRequest, id, type, true, nullptr))
            return;
    } catch (const std::exception& inException) {
        // As a failed write on the handler thread: the connection ends with this error, and
        // the shutdown finishes every request, this one too.
        {
            ztStMutex lock(&itsMutex);
            convertException(inException, itsErrorMessage);
        }
        stop(0);
        return;
    }
    // A stop kept the packet back: the shutdown finishes the request.
}

void ztNetObjectHandler::cancel(ztNetObject* inObject) {
    if (inObject == nullptr)
        throw ztException(ztErr_notRegistered, ztText::notRegistered);
    ztStMutex lock(&itsMutex);
    if (itsStopping)
        return;
    if (inObject->getRefId() == 0 || ztIsFinalStatus(inObject->getStatus()))
        return;
    if (!isRegistered(inObject))
        throw ztException(ztErr_notRegistered, ztText::notRegistered);
    if (!itsOpen) {
        ztLog(2, "Trying to cancel but connection not active");
        return;
    }
    if (std::find(itsCancelQueue.begin(), itsCancelQueue.end(), inObject) == itsCancelQueue.end())
        itsCancelQueue.push_back(inObject);
    itsWakeUpEvent.set();
}

void ztNetObjectHandler::setIncomingDisabled(bool inDisabled) {
    ztStMutex lock(&itsMutex);
    itsIncomingDisabled = inDisabled;
}

bool ztNetObjectHandler::hasAuthority() const {
    ztStMutex lock(&itsMutex);
    return itsHasAuthority;
}

void ztNetObjectHandler::setAuthority(bool inAuthority) {
    ztStMutex lock(&itsMutex);
    itsHasAuthority = inAuthority;
}

void ztNetObjectHandler::requeue(ztNetObject* inObject) {
    if (inObject == nullptr)
        return;
    ztStMutex lock(&itsMutex);
    if (itsStopping || inObject->getRefId() == 0 || ztIsFinalStatus(inObject->getStatus()))
        return;
    if (!isRegistered(inObject))
        return;
    if (std::find(itsRegisterQueue.begin(), itsRegisterQueue.end(), inObject) ==
        itsRegisterQueue.end())
        itsRegisterQueue.push_back(inObject);
    itsWakeUpEvent.set();
}

void ztNetObjectHandler::forget(ztNetObject* inObject) {
    if (inObject == nullptr)
        return;
    {
        ztStMutex lock(&itsMutex);
        const uint16_t id = inObject->getRefId();
        const auto found = itsOwnRequests.find(id);
        if (found != itsOwnRequests.end() && found->second.object == inObject) {
            // The server may still be working on it; tell it the answer is not wanted. (A
            // request it never saw only costs it a log line.)
            if (itsOpen && !itsStopping) {
                itsForgotten.emplace_back(id, found->second.type);
                itsWakeUpEvent.set();
            }
            itsOwnRequests.erase(found);
            removeFromQueues(inObject, true);
            inObject->setRefId(0);
            inObject->setNetObjectHandler(nullptr);
        }
    }
    if (zt::platform::currentThreadId() == getThreadID())
        return;
    std::lock_guard busyLock(itsBusyMutex);
    while (itsBusyObject == inObject)
        itsBusyCondition.wait(itsBusyMutex);
}

void ztNetObjectHandler::setBusy(ztNetObject* inObject) {
    std::lock_guard busyLock(itsBusyMutex);
    itsBusyObject = inObject;
}

void ztNetObjectHandler::clearBusy() {
    std::lock_guard busyLock(itsBusyMutex);
    itsBusyObject = nullptr;
    itsBusyCondition.broadcast();
}

// ---- settings and state

bool ztNetObjectHandler::isConnected() const {
    return itsOpen.load() && !itsStopping.load();
}

void ztNetObjectHandler::setStopCallback(StopCallback inCallback) {
    ztStMutex lock(&itsMutex);
    itsStopCallback = std::move(inCallback);
}

void ztNetObjectHandler::setFactory(uint16_t inType, Factory inCreate) {
    ztStMutex lock(&itsMutex);
    itsFactories[inType] = std::move(inCreate);
}

void ztNetObjectHandler::setFactoryTable(std::map<uint16_t, Factory> inTable) {
    ztStMutex lock(&itsMutex);
    itsFactories = std::move(inTable);
}

void ztNetObjectHandler::setKeepAliveInterval(uint32_t inMillis) {
    itsKeepAliveInterval = inMillis;
    itsWakeUpEvent.set(); // the current wait was chosen with the old interval
}

void ztNetObjectHandler::setDirectSends(bool inEnabled) {
    itsDirectSends = inEnabled && zt::platform::socketWaitsMayOverlap();
}

void ztNetObjectHandler::setDeadPeerLimit(uint32_t inMillis) {
    itsDeadPeerLimit = inMillis;
    itsWakeUpEvent.set();
}

void ztNetObjectHandler::setHandlerName(std::string inName) {
    ztStMutex lock(&itsMutex);
    itsHandlerName = std::move(inName);
}

std::string ztNetObjectHandler::getDisplayName() const {
    ztStMutex lock(&itsMutex);
    return itsHandlerName + ":" + itsServerAddress.format() + "(" + std::to_string(itsServerPort) +
           ")";
}

uint16_t ztNetObjectHandler::getLastId() const {
    ztStMutex lock(&itsMutex);
    return itsLastId;
}

ztErrorMessage ztNetObjectHandler::getHandlerError() const {
    ztStMutex lock(&itsMutex);
    return itsErrorMessage;
}

// ---- waiting for a request

void ztNetObjectHandler::performRequest(ztNetRequest& ioRequest) {
    ztEvent& stop = ztThread::currentThread().getStopEvent();
    ioRequest.send(this);
    if (!ioRequest.waitForCompletion(-1, &stop)) {
        // Cancelling finishes the request on the handler thread without waiting for the
        // peer, or the shutdown does.
        ioRequest.cancel();
        ioRequest.waitForCompletion(-1, nullptr);
    }
    if (stop.isSet())
        throw ztException(ztErr_cancelled);
    if (ioRequest.succeeded())
        return;
    if (ioRequest.getError() != ztErr_noError)
        throw ztException(ioRequest.getErrorMessage());
    const ztErrorMessage handlerError = getHandlerError();
    if (handlerError.getErrorValue() != ztErr_noError)
        throw ztException(handlerError);
    throw ztException(ztErr_unknown, ztText::unknownError);
}

// ---- the thread

void ztNetObjectHandler::run() {
    if (!itsPacketLayer)
        return;
    // Every wait of this thread polls the socket with its one wake-up descriptor; without
    // it the connection cannot run, which is best said now and plainly.
    ztEventWaiter::adoptThreadDescriptor(std::move(itsThreadWakeUp));
    if (ztEventWaiter::prepareThread() != 0)
        throw ztException(ztErr_resFull, ztText::outOfDescriptors);
    itsPacketLayer->setEvent(&getStopEvent());
    for (;;) {
        processQueues();
        if (stopRequested())
            return;
        processWaiting();
        if (stopRequested())
            return;
        sendNext();
        if (stopRequested())
            return;
        // The send timer is the writers' (see itsSendMutex). A sending thread that holds the
        // lock now is writing, which restarts the timer: no keep-alive is due then.
        uint32_t untilKeepAlive = itsKeepAliveInterval.load();
        if (std::unique_lock sendLock(itsSendMutex, std::try_to_lock); sendLock) {
            if (itsPacketLayer->getSendTimer().elapsed() >= untilKeepAlive)
                writeHeaderPacketLocked(ztNetObjectHeader::keepAlive(), nullptr);
            untilKeepAlive = itsPacketLayer->getSendTimer().remaining(untilKeepAlive);
        }
        uint32_t wait = 0;
        {
            ztStMutex lock(&itsMutex);
            itsWakeUpEvent.reset();
            wait = chooseWait(untilKeepAlive);
        }
        // Data, a queued object (the wake-up event) and a stop request all end the wait.
        itsPacketLayer->setEvent(&itsReadInterrupt);
        CheckReading(wait);
        itsPacketLayer->setEvent(&getStopEvent());
        if (itsPacketLayer->getReceiveTimer().elapsed() >= itsDeadPeerLimit.load())
            throw ztException(ztErr_handlerNotRunning, ztText::handlerNotRunning);
    }
}

uint32_t ztNetObjectHandler::chooseWait(uint32_t inUntilKeepAlive) {
    if (!itsCancelQueue.empty() || !itsRegisterQueue.empty() || !itsSendQueue.empty() ||
        !itsForgotten.empty())
        return 0;
    uint32_t wait = inUntilKeepAlive;
    // Woken in time to notice a dead peer even when keep-alives are rarer than that.
    wait = std::min(wait, itsPacketLayer->getReceiveTimer().remaining(itsDeadPeerLimit.load()));
    if (!itsWaitingQueue.empty())
        wait = std::min(wait, itsWaitingQueue.front()->getDelay());
    return wait;
}

void ztNetObjectHandler::postRun() {
    itsStopping = true;
    StopCallback callback;
    {
        // A sending thread blocked in a write lets go of the send lock.
        itsWriteAbort.set();
        std::lock_guard sendLock(itsSendMutex);
        ztStMutex lock(&itsMutex);
        itsOpen = false;
        failAll();
        if (itsPacketLayer && itsPacketLayer->isOpen())
            itsPacketLayer->close();
        callback = itsStopCallback;
    }
    const ztErrorMessage error = getHandlerError();
    if (error.getErrorValue() != ztErr_noError)
        ztLog(4, "%s: connection ended (0x%04X): %s", getDisplayName().c_str(),
              error.getErrorValue(), error.getText().c_str());
    if (callback)
        callback(this);
}

void ztNetObjectHandler::handleException(const std::exception& inException) {
    ztStMutex lock(&itsMutex);
    convertException(inException, itsErrorMessage);
}

// ---- queues

void ztNetObjectHandler::processQueues() {
    std::vector<ztNetObjectHeader> cancels;
    {
        ztStMutex lock(&itsMutex);
        for (const auto& [id, type] : itsForgotten)
            cancels.emplace_back(id, type, ztNetObjectHeader::cancelFlags, ztErr_noError);
        itsForgotten.clear();
        while (!itsCancelQueue.empty()) {
            ztNetObject* object = itsCancelQueue.front();
            itsCancelQueue.pop_front();
            if (!isRegistered(object))
                continue;
            const bool own = isOwnRequest(object);
            const uint16_t id = object->getRefId();
            const uint16_t type = mapOf(object).at(id).type;
            removeFromQueues(object, false);
            object->setStatus(ztNetStatus::cancelling);
            // A cancel for a request that never went out would name an id the peer never saw.
            if (!own || object->getPacketCount() > 0)
                cancels.emplace_back(id, type,
                                     own ? ztNetObjectHeader::cancelFlags
                                         : ztNetObjectHeader::cancelAckFlags,
                                     ztErr_noError);
            finishObject(object, ztNetStatus::cancelled);
        }
        while (!itsRegisterQueue.empty()) {
            ztNetObject* object = itsRegisterQueue.front();
            itsRegisterQueue.pop_front();
            fileObject(object);
        }
    }
    for (const ztNetObjectHeader& header : cancels)
        writeHeaderPacket(header, nullptr);
}

void ztNetObjectHandler::processWaiting() {
    ztStMutex lock(&itsMutex);
    // Bounded by the queue's length: an object that files itself as waiting again with no
    // delay left must not keep this loop turning.
    for (size_t count = itsWaitingQueue.size(); count > 0 && !itsWaitingQueue.empty(); --count) {
        ztNetObject* object = itsWaitingQueue.front();
        if (object->getDelay() != 0)
            break;
        itsWaitingQueue.pop_front();
        fileObject(object);
    }
}

void ztNetObjectHandler::fileObject(ztNetObject* inObject) {
    const ztNetStatus state = inObject->getTransferState();
    switch (state) {
    case ztNetStatus::send:
        removeFromQueues(inObject, false);
        itsSendQueue.push_back(inObject);
        inObject->setStatus(state);
        return;
    case ztNetStatus::delay: {
        removeFromQueues(inObject, false);
        // The status first: entering delay restarts the object's delay timer.
        inObject->setStatus(state);
        const uint32_t delay = inObject->getDelay();
        const auto later = std::find_if(itsWaitingQueue.begin(), itsWaitingQueue.end(),
                                        [delay](ztNetObject* o) { return o->getDelay() > delay; });
        itsWaitingQueue.insert(later, inObject);
        return;
    }
    case ztNetStatus::complete:
    case ztNetStatus::cancelled:
    case ztNetStatus::failed:
        finishObject(inObject, state);
        return;
    case ztNetStatus::cancelling:
        removeFromQueues(inObject, false);
        inObject->setStatus(state);
        return;
    case ztNetStatus::idle:
        inObject->setStatus(state);
        return;
    }
}

void ztNetObjectHandler::finishObject(ztNetObject* inObject, ztNetStatus inStatus) {
    const bool own = isOwnRequest(inObject);
    ObjectMap& map = own ? itsOwnRequests : itsPeerObjects;
    const auto found = map.find(inObject->getRefId());
    if (found != map.end() && found->second.object == inObject)
        map.erase(found);
    removeFromQueues(inObject, true);
    if (own) {
        inObject->setRefId(0);
        inObject->setStatus(inStatus);
        // The last touch: an owner that finds no handler knows this thread is done with the
        // request (see ztNetRequest::detachFromHandler); one that still finds it waits in
        // forget for the mutex, which this thread holds.
        inObject->releaseFromHandler();
        return;
    }
    // A peer object deletes itself when it reaches its final status.
    inObject->setRefId(0);
    inObject->setStatus(inStatus);
}

void ztNetObjectHandler::failAll() {
    ObjectMap own;
    ObjectMap peer;
    own.swap(itsOwnRequests);
    peer.swap(itsPeerObjects);
    itsCancelQueue.clear();
    itsRegisterQueue.clear();
    itsSendQueue.clear();
    itsWaitingQueue.clear();
    itsForgotten.clear();
    const bool haveError = itsErrorMessage.getErrorValue() != ztErr_noError;
    for (const auto& [id, entry] : own) {
        ztNetObject* object = entry.object;
        if (haveError && object->getError() == ztErr_noError)
            object->setErrorMessage(itsErrorMessage);
        object->setRefId(0);
        object->setStatus(ztNetStatus::cancelled);
        object->releaseFromHandler();
    }
    for (const auto& [id, entry] : peer) {
        ztNetObject* object = entry.object;
        if (haveError && object->getError() == ztErr_noError)
            object->setErrorMessage(itsErrorMessage);
        object->setRefId(0);
        object->setStatus(ztNetStatus::cancelled);
    }
}

void ztNetObjectHandler::removeFromQueues(ztNetObject* inObject, bool inAllQueues) {
    const auto drop = [inObject](std::deque<ztNetObject*>& ioQueue) {
        ioQueue.erase(std::remove(ioQueue.begin(), ioQueue.end(), inObject), ioQueue.end());
    };
    drop(itsSendQueue);
    drop(itsWaitingQueue);
    if (!inAllQueues)
        return;
    drop(itsCancelQueue);
    drop(itsRegisterQueue);
}

ztNetObjectHandler::ObjectMap& ztNetObjectHandler::mapOf(ztNetObject* inObject) {
    return isOwnRequest(inObject) ? itsOwnRequests : itsPeerObjects;
}

bool ztNetObjectHandler::isOwnRequest(const ztNetObject* inObject) const {
    const auto found = itsOwnRequests.find(inObject->getRefId());
    return found != itsOwnRequests.end() && found->second.object == inObject;
}

bool ztNetObjectHandler::holds(bool inOwn, uint16_t inId, const ztNetObject* inObject) const {
    const ObjectMap& map = inOwn ? itsOwnRequests : itsPeerObjects;
    const auto found = map.find(inId);
    return found != map.end() && found->second.object == inObject;
}

bool ztNetObjectHandler::isRegistered(const ztNetObject* inObject) const {
    const uint16_t id = inObject->getRefId();
    if (id == 0)
        return false;
    if (isOwnRequest(inObject))
        return true;
    const auto found = itsPeerObjects.find(id);
    return found != itsPeerObjects.end() && found->second.object == inObject;
}

// ---- sending

void ztNetObjectHandler::sendNext() {
    {
        // Without the send lock while there is nothing to send: a sending thread that finds
        // the lock taken hands its request over instead of writing it.
        ztStMutex lock(&itsMutex);
        if (itsSendQueue.empty())
            return;
    }
    std::lock_guard sendLock(itsSendMutex);
    ztNetObject* object = nullptr;
    uint16_t id = 0;
    uint16_t type = 0;
    bool own = false;
    BusyScope busy(*this);
    {
        ztStMutex lock(&itsMutex);
        if (itsSendQueue.empty())
            return;
        object = itsSendQueue.front();
        itsSendQueue.pop_front();
        id = object->getRefId();
        own = isOwnRequest(object);
        type = mapOf(object).at(id).type;
        busy.set(object);
    }
    sendPacketOf(object, id, type, own, &busy);
}

bool ztNetObjectHandler::sendPacketOf(ztNetObject* inObject, uint16_t inId, uint16_t inType,
                                      bool inOwn, BusyScope* ioBusy) {
    uint8_t* const payload = itsPacketBuffer.data() + ztNetPacketLayer::payloadOffset;
    const uint32_t capacity =
        static_cast<uint32_t>(itsPacketBuffer.size()) - ztNetPacketLayer::payloadOffset - 1;
    const uint32_t headerSize =
        ztNetObjectHeader(inId, inType, 0, ztErr_noError).write(payload, capacity);
    inObject->countPacket();
    ztErr error = ztErr_noError;
    bool done = false;
    uint32_t length = 0;
    try {
        length = inObject->sendData(payload + headerSize, itsMaxDataSize, error, done);
    } catch (const std::exception& inException) {
        convertException(inException, inObject->getErrorMessage());
    }
    ztAssert(length <= itsMaxDataSize);
    length = std::min(length, itsMaxDataSize);
    if (error != ztErr_noError && inObject->getError() == ztErr_noError)
        inObject->setError(error);

    if (inObject->getError() != ztErr_noError) {
        ztErrorMessage report;
        {
            ztStMutex lock(&itsMutex);
            if (!isRegistered(inObject))
                return true;
            fillDefaultText(inObject->getErrorMessage());
            report = inObject->getErrorMessage();
            finishObject(inObject, ztNetStatus::failed);
            if (ioBusy != nullptr)
                ioBusy->clear();
        }
        writeHeaderPacketLocked(ztNetObjectHeader(inId, inType,
                                                  ztNetObjectHeader::errorReportFlags(inOwn),
                                                  report.getErrorValue()),
                                &report);
        return true;
    }
    const bool sending = length > 0 || done;
    if (sending) {
        const uint8_t flags =
            inOwn ? ztNetObjectHeader::requestDataFlags(inObject->getPacketCount() == 1, done)
                  : ztNetObjectHeader::responseDataFlags(done);
        const ztNetObjectHeader header(inId, inType, flags, inObject->getError());
        if (header.write(payload, capacity) != headerSize)
            throw ztException(ztErr_internal, ztText::headerMismatch);
    }
    // A sending thread files its request before writing it: once the packet is out the
    // answer may be read at once on the handler thread. The handler thread files after
    // writing, so that an object finished by this packet is finished only once it is out.
    const auto file = [&] {
        ztStMutex lock(&itsMutex);
        if (!holds(inOwn, inId, inObject))
            return;
        fileObject(inObject);
        // More packets to go (a sending thread's request): the handler thread sends them.
        if (ioBusy == nullptr && !itsSendQueue.empty())
            itsWakeUpEvent.set();
    };
    if (ioBusy == nullptr)
        file();
    else
        // The packet is in the handler's buffer: an owner need not wait for a write that
        // may block. From here the object is found again by id before it is touched.
        ioBusy->clear();
    // Not sent because a stop was requested: the loop ends and the shutdown finishes the
    // object.
    if (sending && !writeChecked(itsPacketBuffer, headerSize + length))
        return false;
    if (ioBusy != nullptr)
        file();
    return true;
}

void ztNetObjectHandler::writeHeaderPacket(const ztNetObjectHeader& inHeader,
                                           const ztErrorMessage* inMessage) {
    std::lock_guard sendLock(itsSendMutex);
    writeHeaderPacketLocked(inHeader, inMessage);
}

void ztNetObjectHandler::writeHeaderPacketLocked(const ztNetObjectHeader& inHeader,
                                                 const ztErrorMessage* inMessage) {
    ztDynamicNetWriter writer(64);
    const uint8_t frame[ztNetPacketLayer::payloadOffset] = {};
    writer.putData(frame, sizeof frame);
    inHeader.write(writer);
    if (inMessage != nullptr)
        writer.putErrorMessage(*inMessage);
    std::vector<uint8_t> packet(writer.data(), writer.data() + writer.count());
    packet.push_back(0); // room for the trailer
    writeChecked(packet, static_cast<uint32_t>(writer.count()) - ztNetPacketLayer::payloadOffset);
}

bool ztNetObjectHandler::writeChecked(std::vector<uint8_t>& ioBuffer, uint32_t inPayloadLength) {
    const ztErr result = itsPacketLayer->writePacket(ioBuffer, inPayloadLength);
    if (result == ztErr_noError)
        return true;
    // While writing, only the stop event and the shutdown interrupt the endpoint.
    if (result == ztErr_cancelled && (stopRequested() || itsWriteAbort.isSet()))
        return false;
    throw networkError(result);
}

// ---- receiving

void ztNetObjectHandler::CheckReading(uint32_t inTimeoutMs) {
    uint32_t length = 0;
    const int32_t timeout = static_cast<int32_t>(std::min<uint32_t>(inTimeoutMs, INT32_MAX));
    const ztErr result = itsPacketLayer->readPacket(itsReadBuffer, length, timeout);
    if (isQuietReadResult(result))
        return;
    if (result == ztErr_netReadWrite)
        throw ztException(result, ztText::netBroken);
    if (result != ztErr_noError) {
        const ztException failure = networkError(result);
        ztLogText(0, failure.what());
        throw failure;
    }

    ztAssert(length > 0); // "dataSize > 0"
    const uint8_t* payload = itsReadBuffer.data() + ztNetPacketLayer::payloadOffset;
    ztNetReader reader(payload, length);
    ztNetObjectHeader header;
    // A payload too short for its header, or an extended header with a reserved word, is
    // not of this protocol: the exception ends the connection with ztErr_unexpectedData.
    header.read(reader);
    const uint8_t* data = payload + reader.count();
    const uint32_t dataLength = length - static_cast<uint32_t>(reader.count());

    if (header.isKeepAlive()) {
        if (header.isOwn())
            writeHeaderPacket(ztNetObjectHeader::keepAlive(), nullptr);
        return;
    }
    if (header.getType() == connectionErrorType)
        throwConnectionError(header, data, dataLength);
    handlePacket(header, data, dataLength);
}

void ztNetObjectHandler::throwConnectionError(const ztNetObjectHeader& inHeader,
                                              const uint8_t* inData, uint32_t inLength) {
    ztErrorMessage message;
    if (inLength > 0) {
        ztNetReader reader(inData, inLength);
        reader.getErrorMessage(message);
    }
    // A connection error without a value would read as no error at all.
    message.setErrorValue(inHeader.getError() != ztErr_noError ? inHeader.getError()
                                                               : ztErr_unexpectedData);
    fillDefaultText(message);
    throw ztException(message);
}

void ztNetObjectHandler::handlePacket(const ztNetObjectHeader& inHeader, const uint8_t* inData,
                                      uint32_t inLength) {
    const uint16_t id = inHeader.getId();
    const uint16_t type = inHeader.getType();
    // Without the own flag the packet is about a request of this side.
    const bool aboutOwnRequest = !inHeader.isOwn();
    ztErrorMessage failure; // why the peer's object could not be created
    ztNetObject* object = nullptr;
    BusyScope busy(*this);
    {
        ztStMutex lock(&itsMutex);
        ObjectMap& map = aboutOwnRequest ? itsOwnRequests : itsPeerObjects;
        const auto found = map.find(id);
        if (found != map.end()) {
            object = found->second.object;
        } else if (!aboutOwnRequest && !inHeader.isControl() &&
                   inHeader.getError() == ztErr_noError && inHeader.isFirst()) {
            try {
                object = createPeerObject(id, type);
            } catch (const std::exception& inException) {
                convertException(inException, failure);
            }
        }
        if (object != nullptr)
            busy.set(object);
    }
    if (object == nullptr && failure.getErrorValue() == ztErr_noError) {
        if (ztLogEnabled(6))
            ztLog(6,
                  "ztNetObjectHandler::CheckReading REMOTE OBJECT NOT AVAILABLE <== ID: %u; "
                  "type: 0x%02X; status: 0x%02X; error: 0x%02X",
                  id, type, inHeader.getFlags(), inHeader.getError());
        return;
    }

    if (object != nullptr && !inHeader.isControl()) {
        try {
            if (inHeader.getError() == ztErr_noError) {
                object->countPacket();
                const ztErr result = object->receiveData(inData, inLength, inHeader.isLast());
                if (result != ztErr_noError)
                    object->setError(result);
            } else {
                // An error report: the data is the serialized message, the value is the
                // header's.
                ztErrorMessage& message = object->getErrorMessage();
                if (inLength > 0) {
                    ztNetReader reader(inData, inLength);
                    reader.getErrorMessage(message);
                }
                message.setErrorValue(inHeader.getError());
            }
        } catch (const std::exception& inException) {
            convertException(inException, object->getErrorMessage());
            if (!aboutOwnRequest) {
                const ztErrorMessage& message = object->getErrorMessage();
                ztLog(0, "%s: Error (value %u): %s", object->getName(), message.getErrorValue(),
                      message.getText().c_str());
            }
        }
    }

    const bool ownObject = object != nullptr && aboutOwnRequest;
    ztErrorMessage report;
    bool sendReport = false;
    bool sendAck = false;
    {
        ztStMutex lock(&itsMutex);
        // Forgotten by its owner while its data was handled: nothing more to do for it.
        if (object != nullptr && !isRegistered(object))
            return;
        if (object != nullptr && inHeader.isControl()) {
            if (!aboutOwnRequest) {
                object->setStatus(ztNetStatus::cancelling);
                sendAck = true;
            }
            finishObject(object, ztNetStatus::cancelled);
        } else {
            ztErrorMessage& message = object != nullptr ? object->getErrorMessage() : failure;
            if (message.getErrorValue() != ztErr_noError) {
                fillDefaultText(message);
                // The peer is waiting for more of this object, or started it itself.
                sendReport = (!inHeader.isLast() && !inHeader.isControl()) || inHeader.isOwn();
                report = message;
                if (object != nullptr)
                    finishObject(object, ztNetStatus::failed);
            } else {
                fileObject(object);
            }
        }
        // What is left to write is a copy; an owner need not wait for it.
        busy.clear();
    }
    if (sendAck)
        writeHeaderPacket(
            ztNetObjectHeader(id, type, ztNetObjectHeader::cancelAckFlags, ztErr_noError), nullptr);
    if (sendReport)
        writeHeaderPacket(ztNetObjectHeader(id, type,
                                            ztNetObjectHeader::errorReportFlags(ownObject),
                                            report.getErrorValue()),
                          &report);
}

ztNetObject* ztNetObjectHandler::createPeerObject(uint16_t inId, uint16_t inType) {
    std::unique_ptr<ztNetResponse> created;
    const auto found = itsFactories.find(inType);
    if (found != itsFactories.end() && found->second)
        created = found->second();
    if (!created) {
        ztLog(2, "ztNetObjectHandler: the peer started an object of type %u, which is not served",
              inType);
        throw ztException(ztErr_requestNotSupported, ztText::requestNotSupported, 't',
                          std::to_string(inType));
    }
    if (!itsHasAuthority && created->requiresAuthority())
        throw ztException(ztErr_invalidAuthority, ztText::invalidAuthority, 'u', itsHandlerName);
    if (itsIncomingDisabled && created->requiresAuthority())
        throw ztException(ztErr_incomingDisabled, ztText::incomingDisabled);
    ztNetObject* object = created.release();
    object->setCompletionCallback([](ztNetObject* inFinished) { delete inFinished; });
    object->setNetObjectHandler(this);
    itsPeerObjects[inId] = Entry{object, inType};
    object->setRefId(inId);
    return object;
}

// ---- errors

void ztNetObjectHandler::convertException(const std::exception& inException,
                                          ztErrorMessage& ioTarget) {
    if (const auto* known = dynamic_cast<const ztException*>(&inException)) {
        if (known->getErrorValue() != ioTarget.getErrorValue())
            ioTarget = known->errorMessage;
        return;
    }
    if (dynamic_cast<const std::out_of_range*>(&inException) != nullptr) {
        ioTarget = ztErrorMessage(ztErr_unexpectedData, ztText::unexpectedData);
        return;
    }
    if (dynamic_cast<const std::bad_alloc*>(&inException) != nullptr) {
        ioTarget = ztErrorMessage(ztErr_noMemory, ztText::noMemory);
        return;
    }
    ioTarget = ztErrorMessage(ztErr_internal, ztText::internalErrorNamed, 'e', inException.what());
}

void ztNetObjectHandler::fillDefaultText(ztErrorMessage& ioMessage) {
    if (ioMessage.getErrorValue() == ztErr_noError || !ioMessage.getTemplate().empty())
        return;
    switch (ioMessage.getErrorValue()) {
    case ztErr_noMemory:
        ioMessage.setTemplate(ztText::noMemory);
        return;
    case ztErr_unexpectedData:
        ioMessage.setTemplate(ztText::unexpectedData);
        return;
    case ztErr_internal:
    case 0x0108:
        ioMessage.setTemplate(ztText::internalErrorAt);
        ioMessage.addParam('f', sourceName);
        ioMessage.addParam('l', kDefaultTextLine);
        return;
    default:
        return;
    }
}

// ---- opening a connection

std::unique_ptr<ztNetObjectHandler> ztNetObjectHandler::connectToServer(
    const ztIPv6& inAddress, uint16_t inPort, const std::string& inServerName,
    ztEvent* inCancelEvent, uint16_t inExpectedVersion, ztProgress* inProgress,
    ztConnectAnswer& outAnswer, bool inCompress, const ztConnectSettings& inSettings) {
    ztRaiseDescriptorLimit("ztNetObjectHandler");
    auto endpoint =
        std::make_unique<ztSecureTCPEndpoint>(inSettings.itsTimeoutMs, inCancelEvent, inCompress);
    endpoint->setEncrypt(inSettings.itsEncrypt);
    endpoint->setHandshakeTimeout(inSettings.itsHandshakeTimeoutMs);
    ztIPv6 address = inAddress;
    if (!address.isSet() && !address.fromString(inServerName))
        address = ztIPv6();
    const ztErr connected = address.isSet() ? endpoint->connect(address, inPort)
                                            : endpoint->connect(inServerName, inPort);
    if (connected == ztErr_hostNotFound)
        throw ztException(ztErr_hostNotFound, ztText::hostNotFound, 's', inServerName);
    if (connected == ztErr_cancelled && isSet(inCancelEvent))
        throw ztException(ztErr_cancelled);
    if (connected == ztErr_resFull)
        throw resourceShortage(endpoint->getLastError());
    if (connected != ztErr_noError || !endpoint->isOpen())
        throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', inServerName);
    advance(inProgress);

    const bool compression = endpoint->getCompress() != 0;
    // From here the handler's own events interrupt the endpoint.
    endpoint->setInterruptEvent(nullptr);
    auto handler = std::make_unique<ztNetObjectHandler>(std::move(endpoint), compression);
    handler->setKeepAliveInterval(inSettings.itsKeepAliveInterval);
    handler->setDeadPeerLimit(inSettings.itsDeadPeerLimit);
    try {
        handler->start();
    } catch (const std::bad_alloc&) {
        // ztThread::start reports a thread the system would not create this way.
        throw ztException(ztErr_resFull, ztText::outOfThreads);
    }
    advance(inProgress);

    // Declared after the handler, so that on any exception it is detached first and the
    // handler then stops and closes the connection.
    ztNetReqConnect connect(outAnswer);
    try {
        connect.send(handler.get());
    } catch (const ztException& inException) {
        // A handler thread that found no descriptor to wait with has ended already: the
        // shortage, not the closed handler, is what the caller must hear about.
        handler->stopAndWait(0);
        if (handler->getHandlerError().getErrorValue() == ztErr_resFull)
            throw ztException(handler->getHandlerError());
        // The server closed the connection before the Connect exchange began (a server out
        // of descriptors does so): as when it closes it during the exchange.
        if (inException.getErrorValue() == ztErr_handlerNotRunning)
            throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', inServerName);
        throw;
    }
    // Bounded by the operation time-out: a server that keeps the connection alive but never
    // answers must not hold the caller for ever.
    const bool finished = connect.waitForCompletion(inSettings.itsTimeoutMs, inCancelEvent);
    if (isSet(inCancelEvent))
        throw ztException(ztErr_cancelled);
    if (!finished || !connect.succeeded()) {
        handler->stopAndWait(0);
        // As above, when the thread ended while the request waited.
        if (handler->getHandlerError().getErrorValue() == ztErr_resFull)
            throw ztException(handler->getHandlerError());
        const bool tooMany = connect.getError() == ztErr_tooManyConnections ||
                             handler->getHandlerError().getErrorValue() == ztErr_tooManyConnections;
        if (tooMany)
            throw ztException(ztErr_tooManyConnections, ztText::tooManyConnections, 's',
                              inServerName);
        throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', inServerName);
    }
    advance(inProgress);

    if (inExpectedVersion != 0 && outAnswer.itsServerVersion > inExpectedVersion)
        throw ztException(ztErr_versionMismatch, ztText::serverNewer);
    if (inExpectedVersion != 0 && outAnswer.itsServerVersion < inExpectedVersion)
        throw ztException(ztErr_versionMismatch, ztText::clientNewer, 's', inServerName);
    advance(inProgress);
    return handler;
}
