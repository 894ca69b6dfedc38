// Messages from the stand-in server to a client.
#include "ztcentral/server/ztCentralReqMessage.h"

#include <utility>

ztCentralReqMessage::ztCentralReqMessage(std::string inText) : itsText(std::move(inText)) {}

ztCentralReqMessage::~ztCentralReqMessage() = default;

const char* ztCentralReqMessage::getTypeName() const {
    return "ahaNOT_Message";
}

const char* ztCentralReqMessage::getName() const {
    return "Message";
}

void ztCentralReqMessage::writeRequest() {
    getBodyWriter().reset();
    getBodyWriter().putString(itsText);
}
