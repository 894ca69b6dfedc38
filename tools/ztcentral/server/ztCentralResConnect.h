#pragma once
// The stand-in server's side of the Connect exchange: the answer fields as the server is
// configured at that moment (identity, not-ready flag), or the refusal with
// ztErr_tooManyConnections once the server's connection cap is reached.

#include "ztcentral/server/ztCentralResponse.h"

class ztCentralResConnect : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 2;

    using ztCentralResponse::ztCentralResponse;
    ~ztCentralResConnect() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Reads the client's boolean and writes the answer, or throws the refusal.
    ztErr readData(ztNetReader& ioReader) override;

protected:
    // Only a delay set for "Connect" itself; the server-wide one starts after the exchange.
    uint32_t answerDelay() const override;
};
