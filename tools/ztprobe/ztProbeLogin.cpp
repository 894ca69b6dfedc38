// The body of ztprobe's Login request.
#include "ztprobe/ztProbeLogin.h"

#include "netobjects/ztNetObjectHandler.h"

ztProbeLogin::ztProbeLogin(std::string inUser, std::string inPassword)
    : itsUser(std::move(inUser)), itsPassword(std::move(inPassword)) {}

ztProbeLogin::~ztProbeLogin() = default;

const char* ztProbeLogin::getTypeName() const {
    return "ztNOT_Login";
}

const char* ztProbeLogin::getName() const {
    return "Login";
}

void ztProbeLogin::prepareSend() {
    const ztNetObjectHandler* handler = getNetObjectHandler();
    ztDynamicNetWriter& body = getBodyWriter();
    // Written afresh each time, so a Login sent again carries the same body.
    body.reset();
    body.putString(itsUser);
    body.putString(itsPassword);
    body.putUInt32(loginKind);
    body.putUInt32(handler->getKeepAliveInterval());
    body.putUInt32(handler->getDeadPeerLimit());
    body.putBool(false); // no single sign-on
    ztNetRequest::prepareSend();
}
