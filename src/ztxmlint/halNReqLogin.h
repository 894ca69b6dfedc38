#pragma once
// The Login request: the first request on every new connection to a central server. It
// names the user and tells the server how often this side sends keep-alives and when it
// gives a silent peer up.

#include "netobjects/ztNetRequest.h"

#include <cstdint>
#include <string>

class halNReqLogin : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 1;

    // inValue travels as it is given; this library always passes 3. inSingleSignon marks a
    // password that is the account identifier of single sign-on.
    halNReqLogin(std::string inLoginName, std::string inPassword, uint32_t inValue,
                 bool inSingleSignon);
    ~halNReqLogin() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;

    // Writes the body and then points the sending at it. The body carries the timings of
    // the handler the request belongs to, so it can only be written here, after send()
    // has set that handler; a request without one throws zt::ex::InvalidArgument. The
    // body is written afresh each time, so a Login sent again carries the same bytes.
    // The server's answer has no content that is read (the base readData).
    void prepareSend() override;

private:
    std::string itsLoginName;
    std::string itsPassword;
    uint32_t itsValue;
    bool itsSingleSignon;
};
