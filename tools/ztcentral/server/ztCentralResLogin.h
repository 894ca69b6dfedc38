#pragma once
// The stand-in server's side of Login: reads the login name, the password (for single
// sign-on the account identifier), the login kind, the client's keep-alive interval and
// dead-peer limit and the single sign-on flag; checks the user and marks the connection
// logged in. The answer has no content. A refusal carries a value from 16394 to 16397.

#include "ztcentral/server/ztCentralResponse.h"

class ztCentralResLogin : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 1;

    using ztCentralResponse::ztCentralResponse;
    ~ztCentralResLogin() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    ztErr readData(ztNetReader& ioReader) override;
};
