#pragma once
// The net object handler: the thread that owns one connection to a central server (or, on
// the accepting side, to one client) and carries any number of net objects over it. Each
// request of this side gets a 16-bit reference id; bodies are cut into packets behind an
// object header and written through the packet layer; the peer's packets are handed to the
// object their header names, and objects the peer starts are created from a factory table.
// Cancellations travel both ways, keep-alives keep the connection up, and every failure
// ends as an error message with a fixed text. The handler thread reads every packet and
// does all the connection's upkeep (keep-alives, dead-peer detection, cancels, the
// shutdown). A request that fits one packet is written by the thread that sends it when
// nothing else waits to go out, which spares a wake-up of the handler thread per request;
// every other packet is written by the handler thread. Writers take turns under one send
// lock.
//
// Owners hold a handler by std::unique_ptr, which may become a std::shared_ptr once the
// thread runs; the last owner to let go stops the connection. (A handler started while a
// std::shared_ptr already owned it would keep itself alive, see ztThread.)
//
// The class is declared here, next to the net objects that talk to it, and implemented in
// the zt_handler module (which adds the packet layer and the endpoints): whatever creates a
// handler links zt_handler.

#include "messages/ztErrorMessage.h"
#include "netobjects/ztConnectSettings.h"
#include "platform/ztEventFd.h"
#include "platform/ztNativeCondition.h"
#include "platform/ztNativeMutex.h"
#include "threads/ztMemMutex.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztSingleEvent.h"
#include "threads/ztThread.h"
#include "util/ztIPv6.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ztEvent;
class ztNetEndpoint;
class ztNetObject;
class ztNetObjectHeader;
class ztNetPacketLayer;
class ztNetRequest;
class ztNetResponse;
class ztProgress;
struct ztConnectAnswer;
enum class ztNetStatus : uint8_t;

class ztNetObjectHandler : public ztThread {
public:
    // Creates an object of one type when the peer starts it. The handler owns what it
    // returns; null means the type cannot be served here.
    using Factory = std::function<std::unique_ptr<ztNetResponse>()>;
    // Called on the handler thread with the handler once it has shut down.
    using StopCallback = std::function<void(ztNetObjectHandler*)>;

    // At most this much object data goes into one packet.
    static constexpr uint32_t defaultMaxDataSize = 30000;
    static constexpr uint32_t defaultKeepAliveInterval = ztConnectSettings().itsKeepAliveInterval;
    static constexpr uint32_t defaultDeadPeerLimit = ztConnectSettings().itsDeadPeerLimit;
    // The header type of a connection error: the peer ends the connection with it.
    static constexpr uint16_t connectionErrorType = 5;
    // Where the source of this handler names itself in internal error texts.
    static constexpr const char* sourceName = "netobjects/ztNetObjectHandler";

    // A handler over inEndpoint, which must be open; the handler owns it from now on.
    // inCompression is the connection's negotiated compression flag, inMaxDataSize the
    // object data per packet. The thread is not started; its wake-up descriptor is made
    // here, and when none is left ztException ztErr_resFull "Out of system resources: too
    // many open files." is thrown (the endpoint is closed with it).
    ztNetObjectHandler(std::unique_ptr<ztNetEndpoint> inEndpoint, bool inCompression,
                       uint32_t inMaxDataSize = defaultMaxDataSize);
    // Stops the thread and waits for it (a running connection ends here), then finishes
    // whatever is still registered with status cancelled.
    ~ztNetObjectHandler() override;

    // Gives inRequest a reference id (1 to 65534, skipping ids in use) and queues it for
    // sending; called by ztNetRequest::send on any thread. When the connection is not open
    // the request gets status cancelled and ztErr_handlerNotRunning is thrown; with every id
    // in use, ztErr_internal.
    virtual void registerObject(ztNetRequest* inRequest);
    // Queues the cancellation of a registered object that has not reached a final status;
    // any thread. The object is finished with status cancelled on the handler thread and
    // the peer is told. Nothing happens for an object that is complete already or while the
    // handler stops. A null object, or one registered under its id by another object,
    // throws ztErr_notRegistered.
    virtual void cancel(ztNetObject* inObject);
    // While set, objects the peer starts that require authority are refused with
    // ztErr_incomingDisabled. Any thread.
    virtual void setIncomingDisabled(bool inDisabled);
    // Whether objects the peer starts that require authority are accepted. Any thread.
    virtual bool hasAuthority() const;
    virtual void setAuthority(bool inAuthority);
    // Files a registered object again (it has more to send); any thread. Ignored while the
    // handler stops and for objects that are not registered here.
    virtual void requeue(ztNetObject* inObject);
    // Takes a registered request out of the handler at once: out of its map and every
    // queue, its id back to 0, and the peer gets a cancel for it. Returns once the handler
    // thread no longer uses the object, which its owner may then destroy. Called from the
    // request's destructor (ztNetRequest::detachFromHandler) on its owner's thread; does
    // nothing for an object that is not registered here. It touches only what the
    // ztNetObject base keeps (id and handler), which a destructor still has.
    virtual void forget(ztNetObject* inObject);

    // Whether the connection is open. Any thread.
    bool isConnected() const;
    // Sends inRequest and waits for its final status, also waking when the calling thread's
    // stop event is set (the request is then cancelled and waited for again). Throws
    // ztErr_cancelled (empty text) when the calling thread was asked to stop; else, unless
    // the request succeeded, the request's error message, the handler's, or
    // ztErr_unknown. The caller's thread, never the handler's.
    void performRequest(ztNetRequest& ioRequest);
    void setStopCallback(StopCallback inCallback);
    // Factory entries for objects the peer may start; any thread, also while running.
    void setFactory(uint16_t inType, Factory inCreate);
    void setFactoryTable(std::map<uint16_t, Factory> inTable);
    // Shortened for tests and tools; the Login body reports both to the server. Any thread.
    void setKeepAliveInterval(uint32_t inMillis);
    void setDeadPeerLimit(uint32_t inMillis);
    // Whether sending threads may write their own requests (on by default where the
    // platform lets two threads wait on one socket); off, the handler thread writes every
    // packet. Any thread.
    void setDirectSends(bool inEnabled);

    // The handler's name and its display form "name:address(port)".
    void setHandlerName(std::string inName);
    std::string getDisplayName() const;
    const ztIPv6& getServerAddress() const { return itsServerAddress; }
    uint32_t getMaxDataSize() const { return itsMaxDataSize; }
    bool isCompressing() const { return itsCompression; }
    // The endpoint, for what its handshake negotiated (that does not change afterwards).
    // Null for a handler made without a connection.
    const ztNetEndpoint* getNetEndpoint() const { return itsEndpoint.get(); }
    // The reference id the last registration handed out.
    uint16_t getLastId() const;
    // Why the connection ended (empty while it runs, and after a plain stop). Any thread.
    ztErrorMessage getHandlerError() const;
    // Milliseconds of silence after which a keep-alive goes out, and without anything
    // received after which the peer counts as dead. The Login body tells the server both.
    uint32_t getKeepAliveInterval() const { return itsKeepAliveInterval.load(); }
    uint32_t getDeadPeerLimit() const { return itsDeadPeerLimit.load(); }

    // Opens a connection: connects to inAddress (when it is not set, to inServerName read
    // as an address literal or else resolved) on inPort, runs the secure handshake with the
    // compression wish inCompress, starts a handler over the connection and runs the
    // Connect exchange, whose answer lands in outAnswer. inCancelEvent (optional, not
    // owned) aborts the attempt. A non-zero inExpectedVersion must equal the server's
    // version. inProgress (optional) is advanced after the connect, the start, the answer
    // and the version check. Returns the running handler, owned by the caller; throws
    // ztErr_hostNotFound, ztErr_connectFailed, ztErr_tooManyConnections,
    // ztErr_versionMismatch or ztErr_cancelled with the texts of the protocol, or
    // ztErr_resFull ("Out of system resources: ...") when no socket, descriptor or thread
    // could be had, leaving nothing open. The first call in a process raises the soft
    // descriptor limit (ztRaiseDescriptorLimit). inSettings: the encryption wish, the time-outs
    // (the operation time-out also bounds the wait for the Connect answer) and the new handler's
    // keep-alive interval and dead-peer limit.
    static std::unique_ptr<ztNetObjectHandler>
    connectToServer(const ztIPv6& inAddress, uint16_t inPort, const std::string& inServerName,
                    ztEvent* inCancelEvent, uint16_t inExpectedVersion, ztProgress* inProgress,
                    ztConnectAnswer& outAnswer, bool inCompress,
                    const ztConnectSettings& inSettings = {});

    // The error conversion: a ztException gives its message (only when its error value
    // differs from ioTarget's), std::out_of_range ztErr_unexpectedData, std::bad_alloc
    // ztErr_noMemory, any other exception ztErr_internal with its text.
    static void convertException(const std::exception& inException, ztErrorMessage& ioTarget);
    // Fills in the text of a message that has an error value but no text, for the values
    // that have a standard one.
    static void fillDefaultText(ztErrorMessage& ioMessage);

protected:
    // A handler without a connection, for stand-ins in tests: it refuses registrations.
    ztNetObjectHandler();

    // The main loop: sends and receives until a stop is requested or the connection fails.
    void run() override;
    // The shutdown: fails every registered object, closes the connection, calls the stop
    // callback.
    void postRun() override;
    // Keeps why the connection ended, by the error conversion.
    void handleException(const std::exception& inException) override;

    // Creates the object the peer starts under inId with type inType from the factory
    // table. Throws ztErr_requestNotSupported, ztErr_invalidAuthority or
    // ztErr_incomingDisabled when it cannot be served. Handler thread, under the mutex.
    virtual ztNetObject* createPeerObject(uint16_t inId, uint16_t inType);
    // Steps of the main loop, on the handler thread.
    virtual void processQueues();
    virtual void processWaiting();
    virtual void sendNext();
    // Marks the object the handler thread works on outside the mutex.
    class BusyScope;
    // Writes the next packet of inObject, registered under inId with inType, and files the
    // object by its transfer state. The send lock is held. ioBusy marks the object the
    // handler thread works on; null when a sending thread writes its own request. False
    // when a stop kept the packet from being written.
    bool sendPacketOf(ztNetObject* inObject, uint16_t inId, uint16_t inType, bool inOwn,
                      BusyScope* ioBusy);
    // Reads and handles at most one packet, waiting at most inTimeoutMs.
    virtual void CheckReading(uint32_t inTimeoutMs);
    // Moves an object by its transfer state; under the mutex.
    virtual void fileObject(ztNetObject* inObject);
    // Finishes every registered object with status cancelled; under the mutex.
    virtual void failAll();

private:
    // A registered object and the type it was registered with (the type is needed after
    // the object's own virtual operations may no longer be called).
    struct Entry {
        ztNetObject* object = nullptr;
        uint16_t type = 0;
    };
    using ObjectMap = std::map<uint16_t, Entry>;

    ObjectMap& mapOf(ztNetObject* inObject);
    bool isOwnRequest(const ztNetObject* inObject) const;
    bool isRegistered(const ztNetObject* inObject) const;
    // Whether inObject is still registered under inId, without touching the object (which
    // its owner may have destroyed meanwhile).
    bool holds(bool inOwn, uint16_t inId, const ztNetObject* inObject) const;
    void removeFromQueues(ztNetObject* inObject, bool inAllQueues);
    void finishObject(ztNetObject* inObject, ztNetStatus inStatus);
    // How long the loop may wait for data; inUntilKeepAlive: until the next keep-alive is due.
    uint32_t chooseWait(uint32_t inUntilKeepAlive);
    void handlePacket(const ztNetObjectHeader& inHeader, const uint8_t* inData, uint32_t inLength);
    [[noreturn]] void throwConnectionError(const ztNetObjectHeader& inHeader, const uint8_t* inData,
                                           uint32_t inLength);
    // Sends inRequest's first packet on the calling thread, which holds the send lock; the
    // request is registered and in no queue. A write that fails ends the connection as a
    // failure on the handler thread would.
    void sendDirectly(ztNetRequest* inRequest);
    // Writes one packet of a header and an optional error message; write failures throw
    // (see writeChecked). The first takes the send lock, the second expects it held.
    void writeHeaderPacket(const ztNetObjectHeader& inHeader, const ztErrorMessage* inMessage);
    void writeHeaderPacketLocked(const ztNetObjectHeader& inHeader,
                                 const ztErrorMessage* inMessage);
    // Writes the inPayloadLength bytes at offset 5 of ioBuffer; the send lock is held. A
    // write error throws "Network error"; ztErr_cancelled (only the stop event and the
    // shutdown interrupt a write) returns false, the packet unsent, when a stop is requested
    // or the handler shuts down, and otherwise throws.
    bool writeChecked(std::vector<uint8_t>& ioBuffer, uint32_t inPayloadLength);
    void setBusy(ztNetObject* inObject);
    void clearBusy();

    ObjectMap itsOwnRequests; // requests started here, by reference id
    ObjectMap itsPeerObjects; // objects the peer started, by the peer's id
    std::deque<ztNetObject*> itsCancelQueue;
    std::deque<ztNetObject*> itsRegisterQueue;
    std::deque<ztNetObject*> itsSendQueue;
    std::deque<ztNetObject*> itsWaitingQueue;                // sorted by getDelay, soonest first
    std::vector<std::pair<uint16_t, uint16_t>> itsForgotten; // id and type of detached requests
    std::unique_ptr<ztNetEndpoint> itsEndpoint;
    std::unique_ptr<ztNetPacketLayer> itsPacketLayer;
    std::map<uint16_t, Factory> itsFactories;
    mutable ztMemMutex itsMutex{"ztNetObjectHandler"};
    // The handler thread's wake-up descriptor (see ztEventWaiter), made by the constructor
    // and handed to the thread when it starts.
    zt::platform::EventFd itsThreadWakeUp;
    ztSingleEvent itsWakeUpEvent;
    // What ends a wait for data: the wake-up event or the stop event.
    ztMultiEvent itsReadInterrupt;
    // Held by whichever thread writes a packet, and while the connection closes; it also
    // guards the packet buffer and the packet layer's send timer. Taken before itsMutex,
    // never while holding it.
    zt::platform::NativeMutex itsSendMutex;
    // Set by the shutdown, so that a sending thread blocked in a write lets go of the send
    // lock; what ends a wait to write is this or the stop event.
    ztSingleEvent itsWriteAbort;
    ztMultiEvent itsWriteInterrupt;
    std::atomic<bool> itsDirectSends{true};
    uint16_t itsLastId = 0;
    bool itsHasAuthority = false;
    bool itsIncomingDisabled = false;
    std::string itsHandlerName;
    ztIPv6 itsServerAddress;
    uint16_t itsServerPort = 0;
    uint32_t itsMaxDataSize = defaultMaxDataSize;
    bool itsCompression = false;
    std::vector<uint8_t> itsPacketBuffer; // one outgoing packet, payload at offset 5
    std::vector<uint8_t> itsReadBuffer;   // one incoming packet, payload at offset 5
    // The connection was open at construction and the shutdown has not closed it yet.
    std::atomic<bool> itsOpen{false};
    std::atomic<bool> itsStopping{false};
    StopCallback itsStopCallback;
    // The object the handler thread works on outside the mutex (sending or receiving), so
    // that forget can wait until it is done.
    zt::platform::NativeMutex itsBusyMutex;
    zt::platform::NativeCondition itsBusyCondition;
    ztNetObject* itsBusyObject = nullptr;

protected:
    // Stand-ins in tests set them directly; callers read them on any thread.
    std::atomic<uint32_t> itsKeepAliveInterval{defaultKeepAliveInterval};
    std::atomic<uint32_t> itsDeadPeerLimit{defaultDeadPeerLimit};
};
