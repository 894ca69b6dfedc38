#pragma once
// The base of everything that travels between this library and a central server: a body
// written with the wire primitives, cut into packets by the net object handler and
// rebuilt on the other side from the packets it receives. Requests started here derive
// from ztNetRequest, objects the peer starts from ztNetResponse.

#include "messages/ztErrorMessage.h"
#include "netobjects/ztDynamicNetWriter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class ztNetObjectHandler;
class ztNetReader;

// The status of a net object. The same values name its transfer state: the status the
// handler moves the object to when it files it again.
enum class ztNetStatus : uint8_t {
    idle = 0,       // nothing to send; a request waits for its answer
    send = 1,       // queued for sending
    delay = 2,      // waiting until its delay has passed (peer objects)
    complete = 3,   // final
    cancelling = 4, // a cancel is on its way
    cancelled = 5,  // final: cancelled or aborted
    failed = 6,     // final: the error message says why
};

// Complete, cancelled and failed end an object's time with its handler.
constexpr bool ztIsFinalStatus(ztNetStatus inStatus) {
    return inStatus == ztNetStatus::complete || inStatus == ztNetStatus::cancelled ||
           inStatus == ztNetStatus::failed;
}

class ztNetObject {
public:
    // Called with the object when it reaches a final status, on the thread that set it
    // (the handler's). A peer object deletes itself through it, so the caller touches
    // nothing of the object afterwards.
    using CompletionCallback = std::function<void(ztNetObject*)>;

    // The body writer starts with this many bytes and doubles as the body grows.
    static constexpr size_t initialBodySize = 10240;

    ztNetObject();
    ztNetObject(const ztNetObject&) = delete;
    ztNetObject& operator=(const ztNetObject&) = delete;
    // The object must not be registered with a handler any more (reference id 0): the
    // handler would keep using it.
    virtual ~ztNetObject();

    // Complete with error value 0.
    virtual bool succeeded() const;
    // The type number sent in the object header.
    virtual uint16_t getType() const = 0;
    // The type identifier ("ztNOT_Connect") and the display name ("Connect") for messages
    // and log lines; "NetObject" here.
    virtual const char* getTypeName() const;
    virtual const char* getName() const;
    // Whether a peer may start this object only over a connection with authority and
    // with incoming requests enabled. True here.
    virtual bool requiresAuthority() const;
    virtual bool isRequest() const = 0;
    // Clears the error message and sets status and transfer state to idle.
    virtual void reset();
    virtual void setNetObjectHandler(ztNetObjectHandler* inHandler);
    // Stores inStatus. A final status calls completed() and then the completion callback.
    virtual void setStatus(ztNetStatus inStatus);
    virtual void setTransferState(ztNetStatus inState);
    // Non-zero exactly while the object is registered with a handler, which sets it. Any
    // thread may read it (an owner checks it before destroying the object).
    virtual uint16_t getRefId() const;
    virtual void setRefId(uint16_t inRefId);
    // Hook run when the object reaches a final status, before anyone is told.
    virtual void completed();
    // Milliseconds until a waiting object is due; 0 here.
    virtual uint32_t getDelay() const;

    // Takes the data of one received packet; inLast marks the object's last packet. The
    // handler counts the packet first, so a packet count of 1 means the first packet. A
    // body in one packet is parsed where it lies; a longer one is collected and parsed
    // once the last part is in. Returns readData's result, 0 while parts are missing, and
    // ztErr_unexpectedData when the collected body would pass ztNetMaxPayloadSize (the
    // parts are dropped then). A reader running past the end throws std::out_of_range.
    virtual ztErr receiveData(const uint8_t* inData, uint32_t inLength, bool inLast);
    // Parses the complete body; returns 0 or an error value. Nothing to parse here.
    virtual ztErr readData(ztNetReader& ioReader);
    // Copies the next part of the body, at most inMaximum bytes, to outBuffer and returns
    // its length. outDone tells whether the body is now sent completely, outError carries
    // the object's error value. prepareSend must have run first.
    virtual uint32_t sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                              bool& outDone);
    // Points the send cursor at the start of the body and sets the transfer state to send.
    // Throws std::bad_alloc when the body writer could not grow (nothing will be sent).
    virtual void prepareSend();
    // Bytes of a per-packet prefix at inData consumed before the body; 0 here.
    virtual uint32_t readPrefix(const uint8_t* inData, uint32_t inLength);
    // Bytes of a per-packet prefix written to outBuffer before the body; 0 here.
    virtual uint32_t writePrefix(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError);

    // Any thread may read the status; the handler thread changes it.
    ztNetStatus getStatus() const { return itsStatus.load(); }
    ztNetStatus getTransferState() const { return itsTransferState; }
    // Null until the object is handed to a handler. The handler clears it when it lets go of
    // a request of this side (final status), as its last touch. Any thread.
    ztNetObjectHandler* getNetObjectHandler() const { return itsNetObjectHandler.load(); }
    // The handler's last touch of a request it is done with. Not virtual on purpose: once the
    // final status is set the owner may already be destroying the object, which rewrites its
    // vtable pointer, so this touch may read nothing of the object but store the pointer.
    void releaseFromHandler() { itsNetObjectHandler.store(nullptr); }
    // Set before the object is handed to a handler; replaced, not chained.
    void setCompletionCallback(CompletionCallback inCallback);

    // Packets sent or received for the object so far; the handler counts them.
    uint32_t getPacketCount() const { return itsPacketCount; }
    void countPacket() { ++itsPacketCount; }
    void resetPacketCount() { itsPacketCount = 0; }

    // The object's error message; its error value is the object's error.
    const ztErrorMessage& getErrorMessage() const { return itsErrorMessage; }
    ztErrorMessage& getErrorMessage() { return itsErrorMessage; }
    void setErrorMessage(const ztErrorMessage& inMessage) { itsErrorMessage = inMessage; }
    ztErr getError() const { return itsErrorMessage.getErrorValue(); }
    void setError(ztErr inError) { itsErrorMessage.setErrorValue(inError); }

    // The body: subclasses write it (a request in writeRequest, a peer object before it
    // answers) and prepareSend hands it to sendData.
    ztDynamicNetWriter& getBodyWriter() { return itsWriter; }
    const ztDynamicNetWriter& getBodyWriter() const { return itsWriter; }

protected:
    // Stores the status and nothing else.
    void storeStatus(ztNetStatus inStatus) { itsStatus.store(inStatus); }
    // A copy, so that it can still be called after a waiter destroyed the object.
    CompletionCallback getCompletionCallback() const { return itsCompletionCallback; }

private:
    std::atomic<ztNetObjectHandler*> itsNetObjectHandler{nullptr}; // not owned
    std::vector<uint8_t> itsReceiveBuffer; // body parts of a multi-packet object
    ztDynamicNetWriter itsWriter;
    std::atomic<uint16_t> itsRefId{0};
    // Written by the handler thread, read by threads that wait for the object.
    std::atomic<ztNetStatus> itsStatus{ztNetStatus::idle};
    ztNetStatus itsTransferState = ztNetStatus::idle;
    CompletionCallback itsCompletionCallback;
    uint32_t itsPacketCount = 0;
    const uint8_t* itsSendCursor = nullptr; // into itsWriter's buffer
    size_t itsSendRemaining = 0;
    ztErrorMessage itsErrorMessage;
};
