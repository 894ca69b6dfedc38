#pragma once
// The accepting side's answer to a client's Connect: it reads the client's one boolean and
// answers with the server's version and fields. It needs no authority, since it is what
// every connection begins with.

#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetResponse.h"

class ztNetResConnect : public ztNetResponse {
public:
    static constexpr uint16_t typeNumber = 2;

    // Answers with inAnswer (copied). A non-zero inRefusal fails the exchange with that
    // error value instead, as a server does that takes no more connections.
    explicit ztNetResConnect(const ztConnectAnswer& inAnswer, ztErr inRefusal = ztErr_noError);
    ~ztNetResConnect() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    bool requiresAuthority() const override { return false; }
    // Reads the client's boolean and writes the answer as the body to send back.
    ztErr readData(ztNetReader& ioReader) override;

private:
    ztConnectAnswer itsAnswer;
    ztErr itsRefusal;
};
