#pragma once
// A net object that the peer starts and this side answers: it collects the peer's
// packets, may wait for a delay (to answer later), and sends its own body back as the
// answer. The handler owns such objects; they delete themselves through their completion
// callback.

#include "netobjects/ztNetObject.h"
#include "util/ztTimer.h"

class ztNetResponse : public ztNetObject {
public:
    ztNetResponse();
    ~ztNetResponse() override;

    bool isRequest() const override { return false; }
    // Consumes the packet's prefix, calls started() on the first packet and passes the rest
    // to the base. On the last packet it calls received() and, when the body parsed without
    // error, prepareSend() so that the answer goes out. A prefix longer than the packet is
    // ztErr_unexpectedData.
    ztErr receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) override;
    // As the base; once the answer is out the transfer state is complete.
    uint32_t sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                      bool& outDone) override;
    // Entering delay counts a waiting round, restarts the delay timer and makes send the
    // transfer state, so the object is sent once its delay has passed.
    void setStatus(ztNetStatus inStatus) override;
    // The delay minus the time since the object entered delay; 0 once it has passed.
    uint32_t getDelay() const override;

    // Hook for the first packet; empty here.
    virtual void started(ztNetObjectHandler* inNetObjectHandler);
    // Hook for the last packet; here it logs at level 5 how long the object took.
    virtual void received();

    void setDelay(uint32_t inDelayMs) { itsDelayMs = inDelayMs; }
    uint32_t getWaitRounds() const { return itsWaitRounds; }

private:
    uint32_t itsDelayMs = 0;
    // Running from construction (the peer's first packet creates the object) and
    // restarted whenever the object starts to wait.
    ztTimer itsDelayTimer{true};
    uint32_t itsWaitRounds = 0;
};
