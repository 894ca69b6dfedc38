// The Login request and its body.
#include "ztxmlint/halNReqLogin.h"

#include "messages/ztException.h"
#include "netobjects/ztNetObjectHandler.h"

#include <utility>

halNReqLogin::halNReqLogin(std::string inLoginName, std::string inPassword, uint32_t inValue,
                           bool inSingleSignon)
    : itsLoginName(std::move(inLoginName)), itsPassword(std::move(inPassword)), itsValue(inValue),
      itsSingleSignon(inSingleSignon) {}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqLogin::~halNReqLogin() {
    detachFromHandler();
}

const char* halNReqLogin::getTypeName() const {
    return "ztNOT_Login";
}

const char* halNReqLogin::getName() const {
    return "Login";
}

void halNReqLogin::prepareSend() {
    const ztNetObjectHandler* handler = getNetObjectHandler();
    if (handler == nullptr)
        throw zt::ex::InvalidArgument("inNetObjectHandler");
    ztDynamicNetWriter& body = getBodyWriter();
    body.reset();
    body.putString(itsLoginName);
    body.putString(itsPassword);
    body.putUInt32(itsValue);
    body.putUInt32(handler->getKeepAliveInterval());
    body.putUInt32(handler->getDeadPeerLimit());
    body.putBool(itsSingleSignon);
    ztNetRequest::prepareSend();
}
