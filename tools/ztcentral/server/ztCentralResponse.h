#pragma once
// The base of the stand-in server's answers to the objects a client starts. Besides
// answering as ztNetResponse does, it applies the server's faults on demand: it counts the
// connection's packets and drops the connection at the configured count, holds a successful
// answer back for the configured delay (on the handler's waiting queue, so the connection
// keeps serving other objects meanwhile), and never answers while the server is silent.

#include "netobjects/ztNetResponse.h"

#include <memory>
#include <string>

class ztCentralConnection;
class ztCentralState;

class ztCentralResponse : public ztNetResponse {
public:
    // Both are shared with the server and the connection's other objects.
    ztCentralResponse(std::shared_ptr<ztCentralState> inState,
                      std::shared_ptr<ztCentralConnection> inConnection);
    ~ztCentralResponse() override;

    // Objects of the stand-in server may be started on every connection.
    bool requiresAuthority() const override { return false; }
    // Counts the packet (and drops the connection when it is the configured one), then as
    // the base; once the last packet has been read without error, the answer waits for its
    // delay or, while the server is silent, is never sent.
    ztErr receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) override;

protected:
    // The name the delay is looked up under: the object's name here; an XML command uses
    // the command's.
    virtual std::string delayName() const;
    // The delay for this answer.
    virtual uint32_t answerDelay() const;

    ztCentralState& state() const { return *itsState; }
    ztCentralConnection& connection() const { return *itsConnection; }

private:
    std::shared_ptr<ztCentralState> itsState;
    std::shared_ptr<ztCentralConnection> itsConnection;
};
