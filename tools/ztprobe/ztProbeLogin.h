#pragma once
// The Login request as ztprobe sends it: name, password, the login kind 3, the connection's
// keep-alive interval and dead-peer limit, and no single sign-on. The server's answer is not
// read.

#include "netobjects/ztNetRequest.h"

#include <string>

class ztProbeLogin : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 1;
    static constexpr uint32_t loginKind = 3;

    ztProbeLogin(std::string inUser, std::string inPassword);
    ~ztProbeLogin() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Writes the body from the handler's settings (which the body reports), then as the base.
    void prepareSend() override;

private:
    std::string itsUser;
    std::string itsPassword;
};
