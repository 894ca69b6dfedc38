#pragma once
// The net object handler as the net objects see it: the thread that owns one connection
// to a central server and carries net objects over it. A request hands itself over
// (registerObject), asks to be cancelled (cancel), and an object that has more to send
// asks to be filed again (requeue).

#include <cstdint>

class ztNetObject;
class ztNetRequest;

class ztNetObjectHandler {
public:
    ztNetObjectHandler(const ztNetObjectHandler&) = delete;
    ztNetObjectHandler& operator=(const ztNetObjectHandler&) = delete;
    virtual ~ztNetObjectHandler() = default;

    // Gives inRequest a reference id and queues it for sending; called by
    // ztNetRequest::send on any thread. When the handler cannot take it, the request gets
    // status cancelled and a ztException is thrown.
    virtual void registerObject(ztNetRequest* inRequest) = 0;
    // Queues the cancellation of a registered object that has not reached a final status;
    // any thread. The object stays owned by its owner.
    virtual void cancel(ztNetObject* inObject) = 0;
    // Files a registered object again (it has more to send); any thread.
    virtual void requeue(ztNetObject* inObject) = 0;

    // Milliseconds of silence after which a keep-alive goes out, and without anything
    // received after which the peer counts as dead. The Login body tells the server both.
    uint32_t getKeepAliveInterval() const { return itsKeepAliveInterval; }
    uint32_t getDeadPeerLimit() const { return itsDeadPeerLimit; }

protected:
    ztNetObjectHandler() = default;

    uint32_t itsKeepAliveInterval = 30000;
    uint32_t itsDeadPeerLimit = 240000;
};
